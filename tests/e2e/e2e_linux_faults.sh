#!/usr/bin/env bash
# Faults of the Linux program: the window closed at random moments of the run
# (start-up included), its own pictures missing or damaged, and the X server going
# away under it. Each must end the run promptly with the documented exit code,
# never hang.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/$E2E_BUILD/src/brinemere
tool=$root/build/release/tests/x11_tool
[ -x "$program" ] && [ -x "$tool" ] || e2e_fail "build the $E2E_BUILD preset first"
title="Tarn : Brinemere"

e2e_start_display 1366x768
trap 'pkill -P $$ 2>/dev/null; e2e_stop_display' EXIT

# Closed from outside after 0 to 1.5 s; most often around 0.2 s, where requests of
# the start-up about the window meet the close.
RANDOM=${E2E_SEED:-17}
errors=$(mktemp)
for delay in 0 0.05 0.2 0.21 0.22 0.23 0.24 0.25 0.3 \
  $(for _ in 1 2 3 4; do echo "0.$((RANDOM % 10))$((RANDOM % 10))"; done) 1.5; do
  "$program" 2>"$errors" &
  pid=$!
  id=$(e2e_wait_window "$title" 20) || e2e_fail "[close at $delay] no window ($(e2e_describe "$pid"))"
  sleep "$delay"
  e2e_close_until_gone "$tool" "$id" "$pid" 2 ||
    e2e_fail "[close at $delay] still running after three close requests"
  [ "$E2E_STATUS" -eq 0 ] ||
    e2e_fail "[close at $delay] exit code $E2E_STATUS: $(tr "\n" " " <"$errors" | head -c 900)"
done

# Test builds whose own pictures are missing or cut short: the run-time error box
# comes up (the splash's picture at once, the font's after the splash), and once
# it is dismissed the run ends with 0.
for case in missing_splash short_font; do
  faulty=$root/build/$E2E_BUILD/tests/brinemere_$case
  [ -x "$faulty" ] || e2e_fail "build the $E2E_BUILD preset first (brinemere_$case)"
  LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan_message_box.supp:print_suppressions=0" \
    "$faulty" &
  pid=$!
  box=$(e2e_wait_window "^Process Runtime Error$" 20) ||
    e2e_fail "[$case] no error box ($(e2e_describe "$pid"))"
  kill -0 "$pid" 2>/dev/null || e2e_fail "[$case] ended before the box was dismissed"
  "$tool" close "$box"
  e2e_wait_exit "$pid" 10 || e2e_fail "[$case] still running 10 s after the box was dismissed"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "[$case] exit code $E2E_STATUS"
done

# The X server goes away: the program says so and ends with exit code 1.
log=$(mktemp)
"$program" 2>"$log" &
pid=$!
e2e_wait_window "$title" 20 >/dev/null || e2e_fail "[server gone] no window"
sleep 1
kill -9 "$E2E_XVFB"
e2e_forget_display
e2e_wait_exit "$pid" 5 || e2e_fail "[server gone] still running 5 s after the server went away"
grep -q "connection to the display was lost" "$log" ||
  e2e_fail "[server gone] no message: $(head -c 300 "$log")"
[ "$E2E_STATUS" -eq 1 ] || e2e_fail "[server gone] exit code $E2E_STATUS"
rm -f "$log"
exit 0
