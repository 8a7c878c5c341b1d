#!/usr/bin/env bash
# The sea in Brinemere.scr under Wine: first the splash picture centred on black,
# then the sky shows scheme 2's colour, Enter turns it to scheme 3's, releasing Esc
# ends the run with exit code 0.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
w32_init "$root"

# lerpColor(deep, light, 235) of scheme 2 (0xFF460023, 0xFFFF8700) and scheme 3
# (0xFF003219, 0xFF00E19B): the same values as on Linux.
sky2="#EF7B02"
sky3="#00D290"
panel="#2E1800"
ink="#9E8870"

tool=$root/build/release/tests/x11_tool
[ -x "$tool" ] || e2e_fail "build the release preset first (x11_tool)"
shots=$(mktemp -d)
trap 'w32_cleanup; rm -rf "$shots"' EXIT

w32_start_saver /s
e2e_wait_window "$title" 30 >/dev/null || e2e_fail "no window"
# First the splash on black, caught by a burst of screen shots: the view's centre
# is 684 (the window starts at -1), so "LoadScr" lands at 684 - 327 - 1 = 356,
# 384 - 107 = 277.
"$tool" shots 40 100 "$shots/s" || e2e_fail "no screen shots"
splash=""
for shot in "$shots"/s-*.ppm; do
  [ "$(e2e_shot_pixel "$shot" 10 10)" = "$sky2" ] && break
  if [ "$(e2e_shot_pixel "$shot" 5 5)" = "#000000" ] &&
    e2e_shot_shows "$shot" 356 277 "$root/resources/load_scr.png"; then
    splash=$shot
    break
  fi
done
[ -n "$splash" ] || e2e_fail "no shot before the sea shows the splash picture on black"
e2e_wait_pixel 10 10 "$sky2" 15 || e2e_fail "sky is $(e2e_pixel 10 10), not scheme 2's $sky2"
# Without a window manager the pointer decides where keys go.
xdotool mousemove 683 384
# F1: the panel (view (569, 298)-(798, 469), the window at x = -1) darkens the sky to
# sky2 x 0x32 / 256 and the text adds 0x70 to that (the top of the first C at view
# (598, 324)); outside it the sky stays. F1 again hides it.
xdotool key F1
e2e_wait_pixel 579 330 "$panel" 5 || e2e_fail "after F1 the panel is $(e2e_pixel 579 330), not $panel"
[ "$(e2e_pixel 597 324)" = "$ink" ] || e2e_fail "the help text is $(e2e_pixel 597 324), not $ink"
[ "$(e2e_pixel 564 330)" = "$sky2" ] || e2e_fail "left of the panel is $(e2e_pixel 564 330)"
[ "$(e2e_pixel 10 10)" = "$sky2" ] || e2e_fail "the sky is $(e2e_pixel 10 10) under the panel"
xdotool key F1
e2e_wait_pixel 579 330 "$sky2" 2 || e2e_fail "after F1 again the panel is still there"
xdotool key Return
e2e_wait_pixel 10 10 "$sky3" 5 || e2e_fail "after Enter the sky is $(e2e_pixel 10 10), not $sky3"
xdotool key Escape
w32_expect_clean_exit "Esc" 5
exit 0
