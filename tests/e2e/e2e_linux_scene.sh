#!/usr/bin/env bash
# The sea on the Linux program: after the start the sky shows scheme 2's colour, F1
# shows the help panel and F1 again hides it, Enter turns the sky to scheme 3's,
# releasing Esc ends the run with exit code 0.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/$E2E_BUILD/src/brinemere
[ -x "$program" ] || e2e_fail "build the $E2E_BUILD preset first"

e2e_start_display 1366x768
trap 'pkill -P $$ 2>/dev/null; e2e_stop_display' EXIT

# lerpColor(deep, light, 235) of scheme 2 (0xFF460023, 0xFFFF8700) and scheme 3
# (0xFF003219, 0xFF00E19B).
sky2="#EF7B02"
sky3="#00D290"
panel="#2E1800"
ink="#9E8870"

"$program" &
pid=$!
id=$(e2e_wait_window "Tarn : Brinemere" 10) || e2e_fail "no window"
e2e_wait_pixel 10 10 "$sky2" 10 || e2e_fail "sky is $(e2e_pixel 10 10), not scheme 2's $sky2"
# F1: the panel (view (569, 298)-(798, 469), the window at x = -1) darkens the sky to
# sky2 x 0x32 / 256 and the text adds 0x70 to that (the top of the first C at view
# (598, 324)); outside it the sky stays. F1 again hides it.
xdotool key --window "$id" F1
e2e_wait_pixel 579 330 "$panel" 5 || e2e_fail "after F1 the panel is $(e2e_pixel 579 330), not $panel"
[ "$(e2e_pixel 597 324)" = "$ink" ] || e2e_fail "the help text is $(e2e_pixel 597 324), not $ink"
[ "$(e2e_pixel 564 330)" = "$sky2" ] || e2e_fail "left of the panel is $(e2e_pixel 564 330)"
[ "$(e2e_pixel 10 10)" = "$sky2" ] || e2e_fail "the sky is $(e2e_pixel 10 10) under the panel"
xdotool key --window "$id" F1
e2e_wait_pixel 579 330 "$sky2" 2 || e2e_fail "after F1 again the panel is still there"
xdotool key --window "$id" Return
e2e_wait_pixel 10 10 "$sky3" 5 || e2e_fail "after Enter the sky is $(e2e_pixel 10 10), not $sky3"
xdotool key --window "$id" Escape
e2e_wait_exit "$pid" 2 || e2e_fail "still running after Esc"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"
exit 0
