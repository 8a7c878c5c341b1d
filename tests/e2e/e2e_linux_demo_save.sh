#!/usr/bin/env bash
# Ctrl+S in the widget demo on a system without a file chooser (zenity hidden from
# PATH): the frame goes to the user's pictures folder under a dated name, and the
# demo says where, on standard error and for a few seconds at the bottom left of
# its picture. The folder comes from user-dirs.dirs, else from the variable of the
# same name, else it is the home folder.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
built=$root/build/${E2E_BUILD:-release}/src/brinemere-demo
[ -x "$built" ] || e2e_fail "build the ${E2E_BUILD:-release} preset first"

e2e_start_display 1366x768
work=$(mktemp -d /tmp/demo-save-XXXXXX)
trap 'pkill -P $$ 2>/dev/null; rm -rf "$work"; e2e_stop_display' EXIT
# A copy of its own, whose settings file stays in the work folder.
mkdir -p "$work/empty" "$work/run"
cp "$built" "$work/run/brinemere-demo"
program=$work/run/brinemere-demo

# Pixels of the font's ink (0x707070) in the band of the note: 10 rows, ending 8
# above the bottom of the 768-row window.
ink() {
  import -silent -window root -crop 600x14+0+746 -depth 8 txt:- 2>/dev/null | grep -c '#707070'
}

# Runs the demo with home folder $1 and the environment that follows, presses
# Ctrl+S twice, checks the note comes and goes, and ends it. Its standard error is
# left in $work/err.
save_twice() {
  local home=$1
  shift
  (cd "$work/run" && exec env -i DISPLAY="$DISPLAY" PATH="$work/empty" HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" LANG=C.UTF-8 "$@" "$program" 2>"$work/err") &
  pid=$!
  id=$(e2e_wait_window "Brinemere Demo" 10) || e2e_fail "no window"
  e2e_wait_pixel 5 5 "#101820" 10 || e2e_fail "the demo does not draw"
  [ "$(ink)" -eq 0 ] || e2e_fail "ink in the note's band before any save"
  xdotool windowfocus --sync "$id"
  xdotool key --window "$id" ctrl+s
  for _ in $(seq 25); do
    [ "$(ink)" -gt 20 ] && break
    sleep 0.2
  done
  [ "$(ink)" -gt 20 ] || e2e_fail "no note in the picture after Ctrl+S"
  xdotool key --window "$id" ctrl+s
  sleep 6
  [ "$(ink)" -eq 0 ] || e2e_fail "the note is still up 6 s after the last save"
  read -r _ _ width height <<<"$(e2e_geometry "$id")"
  xdotool key --window "$id" Escape
  e2e_wait_exit "$pid" 5 || e2e_fail "still running after Esc"
}

# The saved files in folder $1: two PNG pictures of the window, named by the date,
# each announced on standard error.
check_saved() {
  local folder=$1 files
  mapfile -t files < <(ls "$folder" | grep -E '^brinemere-demo-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}(-2)?\.png$')
  [ "${#files[@]}" -eq 2 ] || e2e_fail "saved in $folder: $(ls "$folder")"
  for f in "${files[@]}"; do
    [ "$(identify -format '%m %w %h' "$folder/$f")" = "PNG $width $height" ] || e2e_fail "$f is not the frame"
    grep -qxF "brinemere-demo: saved the frame to $folder/$f" "$work/err" ||
      e2e_fail "$f not announced: $(cat "$work/err")"
  done
}

# user-dirs.dirs names the folder, here one with a Cyrillic name.
home=$work/one
pictures="$home/Изображения"
mkdir -p "$home/.config" "$pictures"
echo 'XDG_PICTURES_DIR="$HOME/Изображения"' >"$home/.config/user-dirs.dirs"
save_twice "$home"
check_saved "$pictures"

# No file: the variable; then neither: the home folder.
home=$work/two
mkdir -p "$home/pics"
save_twice "$home" XDG_PICTURES_DIR="$home/pics"
check_saved "$home/pics"
home=$work/three
mkdir -p "$home"
save_twice "$home"
check_saved "$home"
exit 0
