#!/usr/bin/env bash
# BrinemereDemo.exe under Wine on a virtual 1366x768 display: it starts and draws;
# the right button opens the menu with its bar at the mouse; clicking "Colours"
# sends Space, which turns the ramp from sea to dusk and closes the menu; Esc ends
# the run with 0, leaving the settings file beside the program with the new
# colours. Ctrl+C puts the frame on the clipboard, where xclip reads it as a picture;
# Ctrl+S opens the save dialog, which saves nothing when cancelled (by Esc, whose
# release then reaches the demo's window and must not end it) and otherwise
# saves the frame as PNG, adding ".png" to a name without a dot.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
demo=$root/build/windows/src/BrinemereDemo.exe
[ -f "$demo" ] || e2e_fail "build the windows preset first (BrinemereDemo.exe)"
w32_init "$root"
settings=${demo%.exe}.ini
rm -f "$settings"

background="#101820"
# The ramp's top row (y = 768 / 3) is the scheme's top colour times 255 / 256:
# sea 0x102040 and dusk 0x301018.
sea="#0F1F3F"
dusk="#2F0F17"

"$wine_run" "$demo" &
saver_pid=$!
w32_pids+=("$saver_pid")
id=$(e2e_wait_window "Brinemere Demo" 30) || e2e_fail "no window"
e2e_wait_pixel 5 5 "$background" 15 || e2e_fail "the background is $(e2e_pixel 5 5)"
e2e_wait_pixel 5 256 "$sea" 5 || e2e_fail "the ramp starts $(e2e_pixel 5 256), not $sea"

# "Colours", the third row (e2e_demo_choose in lib.sh).
e2e_demo_choose 248
e2e_wait_pixel 5 256 "$dusk" 5 || e2e_fail "after Colours the ramp is $(e2e_pixel 5 256)"
e2e_wait_pixel 660 248 "$background" 5 || e2e_fail "the menu stays after a click"
kill -0 "$saver_pid" 2>/dev/null || e2e_fail "the demo ended on Colours"

# Ctrl+C: Wine hands our bitmap to X11 programs.
command -v xclip >/dev/null || e2e_fail "xclip is missing (scripts/setup installs it)"
xdotool key ctrl+c
shot=$(mktemp --suffix=.bmp)
for _ in $(seq 25); do
  timeout 5 xclip -selection clipboard -o -t image/bmp >"$shot" 2>/dev/null && [ -s "$shot" ] && break
  sleep 0.2
done
got=$(convert "$shot" -alpha off -crop "1x1+5+256" -depth 8 txt:- 2>/dev/null | e2e_txt_colour)
rm -f "$shot"
[ "$got" = "$dusk" ] || e2e_fail "the copied frame shows $got at (5, 256), not $dusk"

# Ctrl+S, cancelled, then given a path (no dot in it: Z: is the Unix root).
saved=$(mktemp -d /tmp/demo-wine-XXXXXX)
trap 'w32_cleanup; rm -rf "$saved"' EXIT
# Wine's dialog can take a while to take the keyboard on a busy machine, so a name
# that did not arrive whole is typed again, up to three times.
path="Z:$(tr / '\\' <<<"$saved")\\frame"
# Xvfb has no window manager to focus the dialog: give it the keyboard ourselves.
focus_dialog() {
  local dialog
  dialog=$(xdotool search --name "Save the frame" 2>/dev/null | head -n 1)
  [ -n "$dialog" ] && xdotool windowfocus "$dialog" 2>/dev/null
  sleep 0.3
}
dialog_gone() {
  for _ in $(seq 25); do
    xdotool search --name "Save the frame" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}
xdotool key ctrl+s
e2e_wait_window "Save the frame" 15 >/dev/null || e2e_fail "[cancel] no save dialog"
sleep 1
# On a busy machine the dialog may not have the keyboard yet when Esc comes: Esc
# again while it stays (never after it went, or the demo would take it).
for attempt in 1 2 3; do
  focus_dialog
  xdotool key Escape
  dialog_gone && break
  [ "$attempt" -lt 3 ] || e2e_fail "[cancel] the dialog stayed"
done
sleep 1
kill -0 "$saver_pid" 2>/dev/null || e2e_fail "the Esc that cancelled the dialog ended the demo"
[ -z "$(ls "$saved")" ] || e2e_fail "cancelled, yet saved: $(ls "$saved")"
for attempt in 1 2 3; do
  xdotool key ctrl+s
  e2e_wait_window "Save the frame" 15 >/dev/null || e2e_fail "[save $attempt] no save dialog"
  sleep 2
  focus_dialog
  xdotool type --delay 40 "$path"
  sleep 0.5
  xdotool key Return
  dialog_gone || xdotool key Escape
  for _ in $(seq 25); do
    [ -s "$saved/frame.png" ] && break 2
    sleep 0.2
  done
  dialog_gone || e2e_fail "[save $attempt] the dialog stayed"
done
[ "$(ls "$saved")" = "frame.png" ] || e2e_fail "saved: $(ls "$saved")"
read -r _ _ width height <<<"$(e2e_geometry "$id")"
[ "$(identify -format '%m %w %h' "$saved/frame.png")" = "PNG $width $height" ] ||
  e2e_fail "the saved frame is $(identify -format '%m %w %h' "$saved/frame.png")"
kill -0 "$saver_pid" 2>/dev/null || e2e_fail "the demo ended after saving"

xdotool mousemove 683 384
xdotool key Escape
w32_expect_clean_exit "Esc" 5
[ -f "$settings" ] || e2e_fail "no settings file beside the program"
read -r mark step scheme count rest <<<"$(tr -d '\0' <"$settings")"
[ "$mark $step $scheme" = "1 2 1" ] && [ -z "$rest" ] && [ "$count" -gt 0 ] ||
  e2e_fail "the settings file holds '$(tr -d '\0' <"$settings")'"
rm -f "$settings"
exit 0
