#!/usr/bin/env bash
# The Linux program's pictures on a virtual 1024x768 display: first "LoadScr" centred
# and "InfoScr" above the bottom edge on black, then the sea; /p with a host window
# shows "PreviewScr" centred on black and ends with its host.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/release/src/brinemere
tool=$root/build/release/tests/x11_tool
pictures=$root/resources
[ -x "$program" ] && [ -x "$tool" ] || e2e_fail "build the release preset first"

e2e_start_display 1024x768
shots=$(mktemp -d)
trap 'pkill -P $$ 2>/dev/null; e2e_stop_display; rm -rf "$shots"' EXIT
sky2="#EF7B02"

# A burst of screen shots over the start (the splash shows for about a second,
# longer than a check takes on a busy machine), checked afterwards in order.
"$program" &
pid=$!
id=$(e2e_wait_window "Tarn : Brinemere" 10) || e2e_fail "no window ($(e2e_describe "$pid"))"
"$tool" shots 30 100 "$shots/s" || e2e_fail "no screen shots"
splash=""
sea=""
for shot in "$shots"/s-*.ppm; do
  if [ "$(e2e_shot_pixel "$shot" 10 10)" = "$sky2" ]; then
    sea=$shot
    break
  fi
  [ -n "$splash" ] && continue
  # 512 - 655 / 2 = 185, 384 - 214 / 2 = 277; 768 - 12 - 13 = 743.
  if [ "$(e2e_shot_pixel "$shot" 5 5)" = "#000000" ] &&
    e2e_shot_shows "$shot" 185 277 "$pictures/load_scr.png" &&
    e2e_shot_shows "$shot" 436 743 "$pictures/info_scr.bmp"; then
    splash=$shot
  fi
done
[ -n "$splash" ] || e2e_fail "no shot before the sea shows the splash pictures on black"
[ -n "$sea" ] || e2e_fail "the sea did not follow the splash within the burst"
xdotool key --window "$id" Escape
e2e_wait_exit "$pid" 3 || e2e_fail "still running after Esc"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS"

# The preview in a 320x240 host: the picture at ((320 - 152) / 2, (240 - 112) / 2).
coproc HOST { exec "$tool" host 320 240; }
read -r -t 5 host <&"${HOST[0]}" || e2e_fail "no host window"
"$program" /p "$host" &
pid=$!
child=$(e2e_preview_child "$host") || e2e_fail "no preview child in the host"
read -r x y _ _ <<<"$(e2e_geometry "$child")"
shown=""
for _ in $(seq 10); do
  "$tool" shots 1 0 "$shots/p" || e2e_fail "no screen shot"
  if e2e_shot_shows "$shots/p-000.ppm" $((x + 84)) $((y + 64)) "$pictures/preview_scr.bmp" &&
    [ "$(e2e_shot_pixel "$shots/p-000.ppm" $((x + 2)) $((y + 2)))" = "#000000" ]; then
    shown=1
    break
  fi
  sleep 0.2
done
[ -n "$shown" ] || e2e_fail "no preview picture on black at ($((x + 84)), $((y + 64)))"
kill "$HOST_PID" 2>/dev/null
e2e_wait_exit "$pid" 3 || e2e_fail "preview still running after its host went away"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "preview exit code $E2E_STATUS"
exit 0
