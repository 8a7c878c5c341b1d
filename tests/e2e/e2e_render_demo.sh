#!/usr/bin/env bash
# The widget demo through the frame renderer: a mouse script opens the menu with the
# right button and chooses rows with the left. "Colours" turns the ramp from sea to
# dusk in the frames after it; "Exit" ends the run early with 0, but not once the
# mouse has left the menu. The demo's
# settings file is neither read nor written.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
render=$root/build/${E2E_BUILD}/src/brinemere-render
[ -x "$render" ] || e2e_fail "build the $E2E_BUILD preset first"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# At 640x480 the menu opened at (300, 100) has rows 16 high, 4 apart: "Strip speed"
# at 100, "Reset count" at 120, "Colours" at 140, the separator at 160, "Exit" at
# 165; the bars run from x = 300 for 120 pixels. The ramp's top row is y = 480 / 3,
# the scheme's top colour times 255 / 256: sea 0x102040, dusk 0x301018.
menu="1:Move(300,100),2:RClick"
pixel() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | e2e_txt_colour
}

mkdir "$work/colours"
(cd "$work/colours" && "$render" --demo --size 640x480 --frames 12 --quiet --out . \
  --keys "$menu,4:Move(360,148),6:LDown,7:LUp") >"$work/report" ||
  e2e_fail "the run failed: $(cat "$work/report")"
[ "$(pixel "$work/colours/frame_00005.png" 5 160)" = "#0F1F3F" ] ||
  e2e_fail "before the click the ramp starts $(pixel "$work/colours/frame_00005.png" 5 160)"
# The menu is open and the hovered row lit, before the click.
[ "$(pixel "$work/colours/frame_00005.png" 360 126)" != "$(pixel "$work/colours/frame_00005.png" 360 146)" ] ||
  e2e_fail "no lit row under the mouse"
[ "$(pixel "$work/colours/frame_00011.png" 5 160)" = "#2F0F17" ] ||
  e2e_fail "after Colours the ramp starts $(pixel "$work/colours/frame_00011.png" 5 160)"
[ "$(pixel "$work/colours/frame_00011.png" 360 146)" = "#101820" ] || e2e_fail "the menu stays open"
[ -z "$(ls "$work/colours" | grep -v '^frame_')" ] || e2e_fail "files beside the frames: $(ls "$work/colours")"

# Exit: the run ends right after the click, long before its 200 frames.
(cd "$work" && "$render" --demo --size 640x480 --frames 200 --quiet \
  --keys "$menu,4:Move(360,172),6:LClick") >"$work/report" || e2e_fail "Exit did not end with 0"
read -r frames _ <"$work/report"
[ "$frames" -ge 7 ] && [ "$frames" -le 10 ] || e2e_fail "Exit ended after: $(cat "$work/report")"

# Exit hovered, then a click away from the menu, in the same frame as the move:
# nothing fires and the run goes on to its 20 frames.
(cd "$work" && "$render" --demo --size 640x480 --frames 20 --quiet \
  --keys "$menu,4:Move(360,172),6:Move(100,400),6:LClick") >"$work/report" ||
  e2e_fail "the run failed: $(cat "$work/report")"
read -r frames _ <"$work/report"
[ "$frames" -eq 20 ] || e2e_fail "a click beside the menu ended the run: $(cat "$work/report")"

# A bad script is refused with its reason.
"$render" --demo --keys "1:Move(1,2" >/dev/null 2>"$work/err" && e2e_fail "a bad script was taken"
grep -q "FRAME:EVENT" "$work/err" || e2e_fail "no reason: $(cat "$work/err")"
exit 0
