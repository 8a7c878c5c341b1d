#!/usr/bin/env bash
# The Linux program shows the frames the headless renderer draws, bit for bit, at
# 1920x1080: the splash's first frame, the sea in all four schemes, the help panel
# and both directions (the frames GoldenFrames.FullHdFramesMatchOnEveryTarget pins,
# and the Windows build matches under Wine). The program hashes its window after
# every frame (the test hooks of src/app/main_sdl.cpp: the seed, keys sent between
# frames, the hashes); the renderer hashes its frames with the same seed and keys.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/${E2E_BUILD}/src/brinemere
render=$root/build/${E2E_BUILD}/src/brinemere-render
[ -x "$program" ] && [ -x "$render" ] || e2e_fail "build the $E2E_BUILD preset first"
work=$(mktemp -d)
e2e_start_display 1920x1080
trap 'rm -rf "$work"; e2e_stop_display' EXIT

keys=1:F1,2:F1,3:Enter,4:Enter,5:Enter,6:CL
"$render" --splash --hashes --quiet --size 1920x1080 --seed 2024 --frames 8 --keys "$keys" |
  grep -v "frames at" >"$work/want" || e2e_fail "the renderer failed"
[ "$(wc -l <"$work/want")" -eq 8 ] || e2e_fail "the renderer gave $(wc -l <"$work/want") hashes"

BRINEMERE_FRAME_HASHES=$work/shown BRINEMERE_SEED=2024 BRINEMERE_KEYS=$keys,7:Esc "$program" /s &
pid=$!
e2e_wait_exit "$pid" 30 || e2e_fail "still running after the keys' Esc"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"
diff "$work/want" "$work/shown" >&2 || e2e_fail "the window showed other frames than the renderer drew"
exit 0
