#!/usr/bin/env bash
# The widget demo on Linux: it starts and draws; the right button opens the menu
# with its bar at the mouse; clicking the "Exit" row sends Esc, which ends the run
# with 0; in a second run the Esc key ends it with 0 too.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/release/src/brinemere-demo
[ -x "$program" ] || e2e_fail "build the release preset first"
rm -f "$program.ini"  # the state a run before left (e2e_linux_demo_state.sh tests it)

e2e_start_display 1366x768
trap 'pkill -P $$ 2>/dev/null; e2e_stop_display' EXIT

background="#101820"
bar="#2C3440"  # the bar's body, unlit

"$program" &
pid=$!
id=$(e2e_wait_window "Brinemere Demo" 10) || e2e_fail "no window"
e2e_wait_pixel 5 5 "$background" 10 || e2e_fail "the background is $(e2e_pixel 5 5), not $background"
# Rows 16 high, 4 apart: "Strip speed" at 200, "Reset count" at 220, "Colours" at
# 240, the separator at 260, "Exit" at 265. The bars run from the mouse's x for 120 pixels.
xdotool mousemove 600 200 click 3
e2e_wait_pixel 660 228 "$bar" 5 || e2e_fail "no menu bar at the mouse: $(e2e_pixel 660 228)"
[ "$(e2e_pixel 560 5)" = "$background" ] || e2e_fail "the menu reaches the top: $(e2e_pixel 560 5)"
# "Reset count" sends R, which leaves the demo running; the menu closes on release.
xdotool mousemove 660 228
sleep 0.5
xdotool click 1
sleep 0.5
kill -0 "$pid" 2>/dev/null || e2e_fail "the demo ended on Reset count: $(e2e_describe "$pid")"
e2e_wait_pixel 660 228 "$background" 5 || e2e_fail "the menu stays after a click: $(e2e_pixel 660 228)"
xdotool mousemove 600 200 click 3
e2e_wait_pixel 660 228 "$bar" 5 || e2e_fail "the menu does not open again"
xdotool mousemove 660 272
sleep 0.5
xdotool click 1
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
