#!/usr/bin/env bash
# The widget demo on Linux: it starts and draws; the right button opens the menu
# with its bar at the mouse (e2e_demo_choose in lib.sh); clicking the "Exit" row
# sends Esc, which ends the run with 0; in a second run the Esc key ends it with 0.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/release/src/brinemere-demo
[ -x "$program" ] || e2e_fail "build the release preset first"
rm -f "$program.ini"  # the state a run before left (e2e_linux_demo_state.sh tests it)

e2e_start_display 1366x768
trap 'pkill -P $$ 2>/dev/null; e2e_stop_display' EXIT

background="#101820"

"$program" &
pid=$!
id=$(e2e_wait_window "Brinemere Demo" 10) || e2e_fail "no window"
e2e_wait_pixel 5 5 "$background" 10 || e2e_fail "the background is $(e2e_pixel 5 5), not $background"
# "Reset count" sends R, which leaves the demo running; the menu closes on release.
e2e_demo_choose 228
sleep 0.5
kill -0 "$pid" 2>/dev/null || e2e_fail "the demo ended on Reset count: $(e2e_describe "$pid")"
e2e_wait_pixel 660 228 "$background" 5 || e2e_fail "the menu stays after a click: $(e2e_pixel 660 228)"
e2e_demo_choose 272
e2e_wait_exit "$pid" 3 || e2e_fail "still running after clicking Exit"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after clicking Exit"

"$program" &
pid=$!
id=$(e2e_wait_window "Brinemere Demo" 10) || e2e_fail "no window the second time"
e2e_wait_pixel 5 5 "$background" 10 || e2e_fail "the second run does not draw"
xdotool key --window "$id" Escape
e2e_wait_exit "$pid" 3 || e2e_fail "still running after Esc"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after Esc"
exit 0
