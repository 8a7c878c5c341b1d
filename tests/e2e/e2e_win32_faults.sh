#!/usr/bin/env bash
# Faults of Brinemere.scr under Wine: a display change refused with its box and the
# run ended with 0; the window closed at random moments of the run (start-up
# included); its own pictures missing or damaged; the X server going away under
# it. Never a hang.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
w32_init "$root"
tool=$root/build/release/tests/x11_tool
[ -x "$tool" ] || e2e_fail "build the release preset first (x11_tool)"

# A display change while the back buffer exists: the refusal box, then the end.
w32_start_saver /s
e2e_wait_window "$title" 30 >/dev/null || e2e_fail "[display change] no window"
sleep 2
w32_host displaychange "$title" || e2e_fail "[display change] no window to post to"
text=$(w32_answer_box "$title" 10)
[ "$text" = "Adequate Desktop Resizing or Rotation on the fly - not support.  |Run this program after these operations, please." ] ||
  e2e_fail "[display change] box text '$text'"
w32_expect_clean_exit "display change" 5

# Closed from outside after 0 to 1.5 s.
RANDOM=${E2E_SEED:-17}
for delay in 0 0.$((RANDOM % 10)) 0.$((RANDOM % 10))$((RANDOM % 10)) 1.5; do
  w32_start_saver
  id=$(e2e_wait_window "$title" 30) || e2e_fail "[close at $delay] no window"
  sleep "$delay"
  e2e_close_until_gone "$tool" "$id" "$saver_pid" 3 ||
    e2e_fail "[close at $delay] still running after three close requests"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "[close at $delay] exit code $E2E_STATUS"
done

# Test builds whose own pictures are missing or cut short: the run-time error box
# with its text comes up (the splash's picture at once, the font's after the
# splash), and once it is dismissed the run ends with 0.
for case in missing_splash short_font; do
  scr=$root/build/windows/tests/Brinemere_$case.scr
  [ -f "$scr" ] || e2e_fail "build the windows preset first (Brinemere_$case.scr)"
  w32_start_saver /s
  text=$(w32_answer_box "Process Runtime Error" 20)
  [ "$text" = "BaseSPR : Load : JPG, GIF, PNG or BMP Resource Not Found" ] ||
    e2e_fail "[$case] box text '$text'"
  w32_expect_clean_exit "$case" 10
done
scr=$root/build/windows/src/Brinemere.scr

# The X server goes away: the program must end (Wine reports the error), not hang.
w32_start_saver
e2e_wait_window "$title" 30 >/dev/null || e2e_fail "[server gone] no window"
sleep 1
kill -9 "$E2E_XVFB"
e2e_forget_display
e2e_wait_exit "$saver_pid" 15 || e2e_fail "[server gone] still running 15 s after the server went away"
exit 0
