#!/usr/bin/env bash
# BrinemereDemo.exe under Wine closed from outside (the window manager's close
# request, which Wine turns into WM_CLOSE) keeps its state as Esc does: two steps
# faster and the next colours are in the settings file beside the program.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
demo=$root/build/windows/src/BrinemereDemo.exe
tool=$root/build/release/tests/x11_tool
[ -f "$demo" ] || e2e_fail "build the windows preset first (BrinemereDemo.exe)"
[ -x "$tool" ] || e2e_fail "build the release preset first (x11_tool)"
w32_init "$root"
settings=${demo%.exe}.ini
rm -f "$settings"
dusk="#2F0F17"  # the ramp's top row in the second colours

"$wine_run" "$demo" &
saver_pid=$!
w32_pids+=("$saver_pid")
id=$(e2e_wait_window "Brinemere Demo" 30) || e2e_fail "no window"
e2e_wait_pixel 5 5 "#101820" 15 || e2e_fail "the demo does not draw"
xdotool windowfocus --sync "$id"
xdotool key Right Right space
e2e_wait_pixel 5 256 "$dusk" 5 || e2e_fail "Space gives $(e2e_pixel 5 256), not $dusk"
e2e_close_until_gone "$tool" "$id" "$saver_pid" 5 || e2e_fail "still running after three close requests"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after the close"
e2e_expect_demo_state "$settings" 4 1
rm -f "$settings"
exit 0
