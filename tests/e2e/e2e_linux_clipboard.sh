#!/usr/bin/env bash
# The Linux clipboard against another X11 program (xclip) on a virtual display:
# our text and pictures read by it, its text read by us, small and large (INCR);
# then, with a clipboard manager running, what we placed outlives us.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
tool=$root/build/release/tests/clipboard_tool
[ -x "$tool" ] || e2e_fail "build the release preset first"
command -v xclip >/dev/null || e2e_fail "xclip is missing (scripts/setup installs it)"

e2e_start_display 640x480
work=$(mktemp -d)
# The clipboard manager and the bus it needs run in a session of their own, ended whole.
manager=""
trap '[ -n "$manager" ] && kill $(ps -o pid= -s "$manager") 2>/dev/null
  pkill -P $$ 2>/dev/null; rm -rf "$work"; e2e_stop_display' EXIT

# Starts the tool placing something ($@); waits until it has. Sets TOOL_PID and
# the coprocess whose input, once closed, ends it.
place() {
  coproc TOOL { exec "$tool" "$@" 2>>"$work/tool.err"; }
  TOOL_PID=$TOOL_PID
  local line=""
  read -r -t 10 line <&"${TOOL[0]}"
  [ "$line" = "placed" ] || e2e_fail "[$*] nothing placed ($(e2e_describe "$TOOL_PID"))"
}

release() {
  exec {TOOL[1]}>&-
  e2e_wait_exit "$TOOL_PID" 5 || e2e_fail "the tool did not end when its input closed"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "the tool ended with $E2E_STATUS"
}

# Our text is in the font's code page (1251); xclip reads it as UTF-8, short (one
# reply) and long (INCR chunks). "Море №7", written by hand in both forms.
printf 'Brinemere \xcc\xee\xf0\xe5 \xb97' >"$work/short.txt"
printf 'Brinemere \xd0\x9c\xd0\xbe\xd1\x80\xd0\xb5 \xe2\x84\x967' >"$work/short.utf8"
head -c 300000 /dev/urandom | base64 >"$work/long.txt"
cp "$work/long.txt" "$work/long.utf8"
for name in short long; do
  place put-text "$work/$name.txt"
  targets=$(timeout 5 xclip -selection clipboard -o -t TARGETS)
  grep -qx UTF8_STRING <<<"$targets" || e2e_fail "[$name] targets: $targets"
  timeout 10 xclip -selection clipboard -o -t UTF8_STRING >"$work/got.txt" ||
    e2e_fail "[$name] xclip could not read our text"
  cmp -s "$work/$name.utf8" "$work/got.txt" || e2e_fail "[$name] xclip read other text"
  release
done

# xclip's UTF-8 read by us in the code page; what it cannot hold (é, a wave) is '?'.
printf '\xc3\xa9 \xd0\x81 \xf0\x9f\x8c\x8a' >"$work/lossy.utf8"
printf '? \xa8 ?' >"$work/lossy.txt"
for name in short long lossy; do
  timeout 10 xclip -selection clipboard -i -quiet -loops 1 "$work/$name.utf8" >/dev/null 2>&1 &
  xclip_pid=$!
  sleep 0.3
  timeout 10 "$tool" get-text >"$work/got.txt" || e2e_fail "[$name] we could not read xclip's text"
  cmp -s "$work/$name.txt" "$work/got.txt" || e2e_fail "[$name] we read other text"
  wait "$xclip_pid" 2>/dev/null
done

# Our picture as PNG and as BMP (the BMP needs INCR: 240 kB): red = x, green = y.
place put-image 300 200
targets=$(timeout 5 xclip -selection clipboard -o -t TARGETS)
for type in image/png image/bmp; do
  grep -qx "$type" <<<"$targets" || e2e_fail "targets lack $type: $targets"
  file=$work/got.${type#image/}
  timeout 10 xclip -selection clipboard -o -t "$type" >"$file" || e2e_fail "[$type] not read"
  size=$(identify -format '%w %h' "$file" 2>/dev/null)
  [ "$size" = "300 200" ] || e2e_fail "[$type] size '$size'"
  for point in "0 0 #000080" "10 20 #0A1480" "299 199 #2BC780"; do
    read -r x y want <<<"$point"
    got=$(convert "$file" -alpha off -crop "1x1+$x+$y" -depth 8 txt:- |
      awk 'NR==2{for(i=1;i<=NF;i++) if($i ~ /^#/){print toupper(substr($i,1,7)); exit}}')
    [ "$got" = "$want" ] || e2e_fail "[$type] pixel ($x, $y) is $got, not $want"
  done
done
release
# With the program gone, so is what it placed.
timeout 5 xclip -selection clipboard -o -t TARGETS >/dev/null 2>&1 &&
  e2e_fail "the clipboard still answers after the program ended"

# With a clipboard manager running (xfsettingsd follows the freedesktop convention:
# CLIPBOARD_MANAGER, SAVE_TARGETS), what we placed is handed to it at exit and
# outlives us: our text, and a picture of a whole screen.
x11=$root/build/release/tests/x11_tool
command -v xfsettingsd >/dev/null && command -v dbus-run-session >/dev/null ||
  e2e_fail "xfsettingsd or dbus-run-session is missing (scripts/setup installs them)"
mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config NO_AT_BRIDGE=1 \
  setsid dbus-run-session -- xfsettingsd -D >"$work/manager.log" 2>&1 &
manager=$!
for _ in $(seq 100); do
  "$x11" owner CLIPBOARD_MANAGER && break
  sleep 0.1
done
"$x11" owner CLIPBOARD_MANAGER || e2e_fail "the clipboard manager did not start: $(head -c 500 "$work/manager.log")"
# Reads type $1 into $2, giving the manager up to 2 s to take the clipboard over.
read_kept() {
  for _ in $(seq 10); do
    timeout 10 xclip -selection clipboard -o -t "$1" >"$2" 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}
place put-text "$work/short.txt"
release
read_kept UTF8_STRING "$work/got.txt" || e2e_fail "[manager] our text left with us"
cmp -s "$work/short.utf8" "$work/got.txt" || e2e_fail "[manager] it kept other text"
place put-image 1920 1080
release
read_kept image/png "$work/kept.png" || e2e_fail "[manager] our picture left with us"
size=$(identify -format '%w %h' "$work/kept.png" 2>/dev/null)
[ "$size" = "1920 1080" ] || e2e_fail "[manager] picture size '$size'"
exit 0
