#!/usr/bin/env bash
# Films from the frame renderer: the YUV4MPEG2 stream's header and frame sizes, the
# sky's luma worked out from BT.601, the GIF's frame count and delays, and outputs
# that cannot be written failing at once with a message, the frames' folder made
# when missing, and the same stream from several drawing threads.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
render=$root/build/release/src/brinemere-render
[ -x "$render" ] || e2e_fail "build the release preset first"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 5 frames of 99x51 (the window is 104 wide, a multiple of 8): 4:2:0 planes of
# 52x26 chroma samples. The first scheme's sky, #EF7B02, has
# Y = 16 + 219 (0.299*239 + 0.587*123 + 0.114*2) / 255 = 139.58 -> 140.
"$render" --frames 5 --size 99x51 --y4m - >"$work/a.y4m" 2>"$work/err" ||
  e2e_fail "y4m to standard output failed: $(cat "$work/err")"
header=$(head -n 1 "$work/a.y4m")
[ "$header" = "YUV4MPEG2 W104 H51 F30:1 Ip A1:1 C420jpeg XCOLORRANGE=LIMITED" ] ||
  e2e_fail "header '$header'"
frame=$((6 + 104 * 51 + 2 * 52 * 26))
size=$(stat -c %s "$work/a.y4m")
[ "$size" -eq $((${#header} + 1 + 5 * frame)) ] || e2e_fail "stream of $size bytes"
for f in 0 4; do
  at=$((${#header} + 1 + f * frame))
  [ "$(tail -c +$((at + 1)) "$work/a.y4m" | head -c 6)" = "FRAME" ] || e2e_fail "frame $f line"
  y=$(od -An -tu1 -j $((at + 6 + 10 * 104 + 10)) -N1 "$work/a.y4m" | tr -d ' ')
  [ "$y" = 140 ] || e2e_fail "frame $f: sky luma $y, not 140"
done
grep -q "5 frames at 99x51" "$work/err" || e2e_fail "report not on standard error"

# The same stream drawn in bands of rows on three threads, byte for byte, over the
# help panel, a scheme change and the foam switched off; a count out of range is
# refused.
for threads in 1 3; do
  "$render" --frames 6 --size 99x51 --keys 1:F1,2:Enter,3:Space --threads $threads \
    --y4m "$work/t$threads.y4m" >/dev/null 2>&1 || e2e_fail "y4m on $threads threads failed"
done
cmp -s "$work/t1.y4m" "$work/t3.y4m" || e2e_fail "three threads drew another stream than one"
"$render" --threads 17 >/dev/null 2>"$work/err"
[ $? -eq 2 ] && grep -q -- "--threads wants 1 .. 16" "$work/err" || e2e_fail "--threads 17 taken"

# GIF: every frame with --every 1, every third with --every 3; 30 fps as 3/100 s
# and 4/100 s delays that add up to the film's length.
"$render" --frames 9 --size 64x40 --gif "$work/a.gif" --quiet >/dev/null ||
  e2e_fail "gif failed"
[ "$(identify "$work/a.gif" | wc -l)" -eq 9 ] || e2e_fail "gif frame count"
delays=$(identify -format "%T " "$work/a.gif")
[ "$delays" = "3 4 3 3 4 3 3 4 3 " ] || e2e_fail "gif delays '$delays'"
"$render" --frames 9 --size 64x40 --gif "$work/b.gif" --every 3 --quiet >/dev/null
[ "$(identify -format "%T " "$work/b.gif")" = "10 10 10 " ] || e2e_fail "gif with --every 3"

# Outputs that cannot be written: a message naming the path, status 1, no frames
# rendered first (so no wait), no file left behind.
for option in --y4m --gif; do
  for path in "$work/missing/out" "$work"; do
    timeout 5 "$render" --frames 100000 --size 64x40 "$option" "$path" >/dev/null 2>"$work/err"
    status=$?
    [ "$status" -eq 1 ] || e2e_fail "$option $path: status $status"
    grep -q "cannot write $path" "$work/err" || e2e_fail "$option $path: message '$(cat "$work/err")'"
  done
done
[ ! -e "$work/missing" ] || e2e_fail "a file was left behind"

# Frames go to a folder that is made when missing; one that cannot be made (under a
# file) fails before the run with a message.
"$render" --frames 2 --size 32x16 --out "$work/new/frames" >/dev/null 2>"$work/err" ||
  e2e_fail "--out to a missing folder: $(cat "$work/err")"
[ -f "$work/new/frames/frame_00001.png" ] || e2e_fail "no frames in the new folder"
"$render" --frames 2 --size 32x16 --out "$work/a.y4m/frames" >/dev/null 2>"$work/err" &&
  e2e_fail "--out under a file succeeded"
grep -q "cannot make the folder $work/a.y4m/frames" "$work/err" ||
  e2e_fail "--out under a file: message '$(cat "$work/err")'"
exit 0
