#!/usr/bin/env bash
# The widget demo's remembered state, clipboard and save dialog on Linux: a copy of
# the program in a folder of its own keeps its settings beside it. A first run with
# no file starts on the defaults and leaves "1 STEP SCHEME COUNT"; a second run
# starts where the first ended; a damaged file gives the defaults and is written
# anew. Ctrl+C puts the frame on the clipboard, where xclip reads it as a picture;
# Ctrl+S saves it where the save dialog says, and a cancelled dialog saves nothing.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
built=$root/build/${E2E_BUILD}/src/brinemere-demo
[ -x "$built" ] || e2e_fail "build the $E2E_BUILD preset first"
command -v xclip >/dev/null || e2e_fail "xclip is missing (scripts/setup installs it)"

e2e_start_display 1366x768
# No dot in the folder's name: a path with a dot anywhere gains no ".png".
work=$(mktemp -d /tmp/demo-state-XXXXXX)
trap 'pkill -P $$ 2>/dev/null; rm -rf "$work"; e2e_stop_display' EXIT
mkdir "$work/bin"
cp "$built" "$work/bin/brinemere-demo"
program=$work/bin/brinemere-demo
file=$work/bin/brinemere-demo.ini

background="#101820"
# The ramp's top row (y = 768 / 3) is the scheme's top colour times 255 / 256:
# sea 0x102040 and dusk 0x301018.
sea="#0F1F3F"
dusk="#2F0F17"

start() {
  # From the work folder, where the save dialog then opens.
  (cd "$work" && exec "$program") &
  pid=$!
  id=$(e2e_wait_window "Brinemere Demo" 10) || e2e_fail "[$1] no window"
  e2e_wait_pixel 5 5 "$background" 10 || e2e_fail "[$1] the demo does not draw"
}

stop() {
  xdotool windowfocus --sync "$id"
  xdotool key --window "$id" Escape
  e2e_wait_exit "$pid" 5 || e2e_fail "[$1] still running after Esc"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "[$1] exit code $E2E_STATUS"
}

# The file's values, checked to end in exactly one zero byte.
values() {
  [ "$(tail -c 1 "$file" | od -An -tx1 | tr -d ' ')" = "00" ] || e2e_fail "no zero byte at the end"
  tr -d '\0' <"$file"
}

# First run, no file: the sea; two steps faster and the next colours.
rm -f "$file"
start first
e2e_wait_pixel 5 256 "$sea" 5 || e2e_fail "[first] the ramp starts $(e2e_pixel 5 256), not $sea"
xdotool key --window "$id" Right Right space
e2e_wait_pixel 5 256 "$dusk" 5 || e2e_fail "[first] Space gives $(e2e_pixel 5 256), not $dusk"

# Ctrl+C: the frame, as big as the window, readable as PNG and BMP.
read -r _ _ width height <<<"$(e2e_geometry "$id")"
xdotool key --window "$id" ctrl+c
for _ in $(seq 25); do
  timeout 5 xclip -selection clipboard -o -t TARGETS 2>/dev/null | grep -qx image/png && break
  sleep 0.2
done
for type in image/png image/bmp; do
  shot=$work/shot.${type#image/}
  timeout 10 xclip -selection clipboard -o -t "$type" >"$shot" || e2e_fail "[$type] not read"
  [ "$(identify -format '%w %h' "$shot" 2>/dev/null)" = "$width $height" ] ||
    e2e_fail "[$type] size $(identify -format '%w %h' "$shot" 2>/dev/null)"
  for point in "5 5 $background" "5 256 $dusk"; do
    read -r x y want <<<"$point"
    got=$(convert "$shot" -alpha off -crop "1x1+$x+$y" -depth 8 txt:- | e2e_txt_colour)
    [ "$got" = "$want" ] || e2e_fail "[$type] pixel ($x, $y) is $got, not $want"
  done
done

# Ctrl+S: cancelled first (nothing saved, still running), then saved under a name
# without an extension, which gains ".png".
save_dialog() {
  xdotool windowfocus --sync "$id"
  xdotool key --window "$id" ctrl+s
  dialog=$(e2e_wait_window "Save the frame" 15) || e2e_fail "no save dialog"
  sleep 1
  # No window manager gives it the focus; the keys then go where the focus is.
  xdotool windowfocus --sync "$dialog"
}
save_dialog
xdotool key Escape
sleep 1
kill -0 "$pid" 2>/dev/null || e2e_fail "the demo ended when the dialog was cancelled"
[ -z "$(ls "$work" | grep -v -e '^bin$' -e '^shot\.')" ] || e2e_fail "a cancelled save wrote $(ls "$work")"
# The name alone, in the folder the dialog opened in: a typed path switches the
# dialog to its location bar, which under load dropped the keys after the first
# folder. Slowly, up to three times, cancelling a dialog that stayed.
dialog_gone() {
  for _ in $(seq 50); do
    [ -z "$(xdotool search --name "Save the frame" 2>/dev/null)" ] && return 0
    sleep 0.2
  done
  return 1
}
for attempt in 1 2 3; do
  save_dialog
  xdotool key ctrl+a
  xdotool type --delay 40 saved
  sleep 0.5
  xdotool key Return
  dialog_gone || {
    dialog=$(xdotool search --name "Save the frame" | head -n 1)
    [ -n "$dialog" ] && xdotool windowfocus --sync "$dialog"
    xdotool key Escape
    dialog_gone
  } || e2e_fail "[save $attempt] the dialog stayed"
  for _ in $(seq 25); do
    [ -s "$work/saved.png" ] && break 2
    sleep 0.2
  done
done
[ "$(identify -format '%m %w %h' "$work/saved.png" 2>/dev/null)" = "PNG $width $height" ] ||
  e2e_fail "no saved frame: $(ls "$work")"
stop first
read -r mark step scheme count rest <<<"$(values)"
[ "$mark $step $scheme" = "1 4 1" ] && [ -z "$rest" ] && [ "$count" -gt 0 ] ||
  e2e_fail "[first] the file holds '$(values)'"

# Second run: dusk from the start, the step and the count carried on.
start second
[ "$(e2e_pixel 5 256)" = "$dusk" ] || e2e_fail "[second] the ramp starts $(e2e_pixel 5 256)"
stop second
read -r mark step scheme count2 rest <<<"$(values)"
[ "$mark $step $scheme" = "1 4 1" ] && [ "$count2" -gt "$count" ] ||
  e2e_fail "[second] the file holds '$(values)' after '1 4 1 $count'"

# Damaged files: not ours, a step out of range, a scheme out of range.
for damaged in 'garbage\001 zz' '1 99 0 5' '1 2 7 5'; do
  printf "$damaged" >"$file"
  start "$damaged"
  [ "$(e2e_pixel 5 256)" = "$sea" ] || e2e_fail "[$damaged] the ramp starts $(e2e_pixel 5 256)"
  stop "$damaged"
  read -r mark step scheme count rest <<<"$(values)"
  [ "$mark $step $scheme" = "1 2 0" ] && [ -z "$rest" ] && [ "$count" -lt 1000 ] ||
    e2e_fail "[$damaged] rewritten as '$(values)'"
done
exit 0
