#!/usr/bin/env bash
# The sea on the Linux program: after the start the sky shows scheme 2's colour,
# Enter turns it to scheme 3's, releasing Esc ends the run with exit code 0.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/$E2E_BUILD/src/brinemere
[ -x "$program" ] || e2e_fail "build the $E2E_BUILD preset first"

e2e_start_display 1366x768
trap 'pkill -P $$ 2>/dev/null; e2e_stop_display' EXIT

# lerpColor(deep, light, 235) of scheme 2 (0xFF460023, 0xFFFF8700) and scheme 3
# (0xFF003219, 0xFF00E19B).
sky2="#EF7B02"
sky3="#00D290"

"$program" &
pid=$!
id=$(e2e_wait_window "Tarn : Brinemere" 10) || e2e_fail "no window"
e2e_wait_pixel 10 10 "$sky2" 10 || e2e_fail "sky is $(e2e_pixel 10 10), not scheme 2's $sky2"
xdotool key --window "$id" Return
e2e_wait_pixel 10 10 "$sky3" 5 || e2e_fail "after Enter the sky is $(e2e_pixel 10 10), not $sky3"
xdotool key --window "$id" Escape
e2e_wait_exit "$pid" 2 || e2e_fail "still running after Esc"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"
exit 0
