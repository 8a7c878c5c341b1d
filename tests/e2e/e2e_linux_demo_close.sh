#!/usr/bin/env bash
# The widget demo closed from outside (the window manager's close request) keeps
# its state as Esc does: two steps faster and the next colours are in the file
# "1 4 1 COUNT" after the close, and the next run starts from them.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
built=$root/build/${E2E_BUILD}/src/brinemere-demo
tool=$root/build/release/tests/x11_tool
[ -x "$built" ] && [ -x "$tool" ] || e2e_fail "build the $E2E_BUILD preset first"

e2e_start_display 1366x768
work=$(mktemp -d /tmp/demo-close-XXXXXX)
trap 'rm -rf "$work"; e2e_stop_display' EXIT
cp "$built" "$work/brinemere-demo"
file=$work/brinemere-demo.ini
dusk="#2F0F17"  # the ramp's top row in the second colours

"$work/brinemere-demo" &
pid=$!
id=$(e2e_wait_window "Brinemere Demo" 10) || e2e_fail "no window"
e2e_wait_pixel 5 5 "#101820" 10 || e2e_fail "the demo does not draw"
xdotool key --window "$id" Right Right space
e2e_wait_pixel 5 256 "$dusk" 5 || e2e_fail "Space gives $(e2e_pixel 5 256), not $dusk"
e2e_close_until_gone "$tool" "$id" "$pid" 3 || e2e_fail "still running after three close requests"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after the close"
e2e_expect_demo_state "$file" 4 1

# The next run starts on the colours the closed one left.
"$work/brinemere-demo" &
pid=$!
id=$(e2e_wait_window "Brinemere Demo" 10) || e2e_fail "[again] no window"
e2e_wait_pixel 5 256 "$dusk" 10 || e2e_fail "[again] the ramp starts $(e2e_pixel 5 256)"
e2e_close_until_gone "$tool" "$id" "$pid" 3 || e2e_fail "[again] still running"
exit 0
