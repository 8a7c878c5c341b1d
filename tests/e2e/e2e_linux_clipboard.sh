#!/usr/bin/env bash
# The Linux clipboard against another X11 program (xclip) on a virtual display:
# our text and pictures read by it, its text read by us, small and large (INCR).
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
tool=$root/build/release/tests/clipboard_tool
[ -x "$tool" ] || e2e_fail "build the release preset first"
command -v xclip >/dev/null || e2e_fail "xclip is missing (scripts/setup installs it)"

e2e_start_display 640x480
work=$(mktemp -d)
trap 'pkill -P $$ 2>/dev/null; rm -rf "$work"; e2e_stop_display' EXIT

# Starts the tool placing something ($@); waits until it has. Sets TOOL_PID and
# the coprocess whose input, once closed, ends it.
place() {
  coproc TOOL { exec "$tool" "$@"; }
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
exit 0
