#!/usr/bin/env bash
# XScreenSaver's hack protocol on the Linux program: the scene drawn into a host
# window given by -window-id (decimal or hex) or XSCREENSAVER_WINDOW, its resize
# followed, the keyboard left alone, -fps drawn, -root; SIGTERM and the window's
# end stop it with status 0; bad ids fail at once with a message.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/release/src/brinemere
tool=$root/build/release/tests/x11_tool
[ -x "$program" ] && [ -x "$tool" ] || e2e_fail "build the release preset first"

e2e_start_display 800x600
trap 'pkill -P $$ 2>/dev/null; e2e_stop_display' EXIT
sky="#EF7B02"  # the first scheme's sky (see e2e_linux_scene.sh)

# Ends process $1 with SIGTERM: within a second, status 0.
term_within_a_second() {
  kill -TERM "$1"
  e2e_wait_exit "$1" 1 || e2e_fail "$2: still running a second after SIGTERM"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$2: status $E2E_STATUS after SIGTERM"
}

# The host sits at (10, 10) without a border: host pixel (x, y) is screen (x+10, y+10).
coproc HOST { exec "$tool" host 320 240; }
read -r -t 5 host <&"${HOST[0]}" || e2e_fail "no host window"

"$program" -window-id "$host" -fps &
pid=$!
e2e_wait_pixel 30 30 "$sky" 10 || e2e_fail "host shows $(e2e_pixel 30 30), not the sky $sky"
[ "$(e2e_pixel 400 400)" = "#000000" ] || e2e_fail "drawn outside the host"
"$tool" grab || e2e_fail "the hack holds the keyboard"
# -fps: a black box at the bottom-left corner, the F's top-left square white.
[ "$(e2e_pixel 15 245)" = "#000000" ] || e2e_fail "no fps box: $(e2e_pixel 15 245)"
[ "$(e2e_pixel 19 228)" = "#FFFFFF" ] || e2e_fail "no fps figure: $(e2e_pixel 19 228)"
# A larger host: the scene follows into the new area.
xdotool windowsize "$host" 480 360
e2e_wait_pixel 480 30 "$sky" 10 || e2e_fail "after the resize (480, 30) is $(e2e_pixel 480 30)"
kill -0 "$pid" 2>/dev/null || e2e_fail "ended after the resize ($(e2e_describe "$pid"))"
term_within_a_second "$pid" "-window-id"

# The daemon's way: -root with XSCREENSAVER_WINDOW naming the window (hex); the run
# ends with status 0 when the window goes away.
XSCREENSAVER_WINDOW=$(printf '0x%x' "$host") "$program" -root &
pid=$!
xdotool windowsize "$host" 200 150
e2e_wait_pixel 200 30 "$sky" 10 || e2e_fail "XSCREENSAVER_WINDOW: $(e2e_pixel 200 30)"
[ "$(e2e_pixel 480 30)" = "#000000" ] || e2e_fail "drawn outside the shrunk host"
kill "$HOST_PID"
e2e_wait_exit "$pid" 2 || e2e_fail "still running after its window went away"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "status $E2E_STATUS after the window went away"

# -root alone: the root window.
"$program" -root &
pid=$!
e2e_wait_pixel 700 20 "$sky" 10 || e2e_fail "root shows $(e2e_pixel 700 20)"
term_within_a_second "$pid" "-root"

# Start options beside the hack options: the teal sky (00D290) from the start.
"$program" -root -scheme teal -force 2.6 -no-foam -drift right &
pid=$!
e2e_wait_pixel 700 20 "#00D290" 10 || e2e_fail "-scheme teal: root shows $(e2e_pixel 700 20)"
term_within_a_second "$pid" "-scheme teal"

# Bad ids and bad start values: a message and status 1 at once.
for args in "-window-id 0x7ffffff0" "-window-id 12abc" "-window-id 0x" "-window-id" \
  "-window-id -5" "-root -nonsense" "-root /s" "-scheme green" "-root -scheme" \
  "-force 0.9" "-force 3.01" "-force nan" "-force 2x" "-drift up" "--drift"; do
  timeout 5 "$program" $args 2>"$root/build/release/hack_err"
  status=$?
  [ "$status" -eq 1 ] || e2e_fail "[$args] status $status"
  grep -q "^brinemere: ." "$root/build/release/hack_err" || e2e_fail "[$args] no message"
done
XSCREENSAVER_WINDOW=nonsense timeout 5 "$program" -root 2>/dev/null
[ $? -eq 1 ] || e2e_fail "a malformed XSCREENSAVER_WINDOW was taken"
rm -f "$root/build/release/hack_err"
exit 0
