#!/usr/bin/env bash
# The Linux program on a virtual 1366x768 display: run modes, window geometry,
# Esc held and released, the help box, the preview child, closing from outside.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/$E2E_BUILD/src/brinemere
tool=$root/build/release/tests/x11_tool
[ -x "$program" ] && [ -x "$tool" ] || e2e_fail "build the $E2E_BUILD preset first"

e2e_start_display 1366x768
trap 'pkill -P $$ 2>/dev/null; e2e_stop_display' EXIT
title="Tarn : Brinemere"

# Full-screen modes: geometry, Esc held keeps it, Esc released ends it.
for args in "" "/s" "/S"; do
  "$program" $args &
  pid=$!
  id=$(e2e_wait_window "$title" 20) || e2e_fail "[$args] no window ($(e2e_describe "$pid"))"
  read -r x y w h <<<"$(e2e_geometry "$id")"
  [ "$x $y $w $h" = "-1 0 1368 768" ] || e2e_fail "[$args] geometry $x $y $w $h"
  # Keys count from the sea on: the splash comes first.
  e2e_wait_pixel 10 10 "#EF7B02" 10 || e2e_fail "[$args] no sea after the splash"
  xdotool keydown --window "$id" Escape
  sleep 0.7
  kill -0 "$pid" 2>/dev/null || e2e_fail "[$args] ended while Esc was held"
  xdotool keyup --window "$id" Escape
  e2e_wait_exit "$pid" 1 || e2e_fail "[$args] still running a second after Esc was released"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "[$args] exit code $E2E_STATUS"
  e2e_wait_no_window "$title" 3 || e2e_fail "[$args] window left behind"
done

# Preview with no usable handle: silent end, no window.
for args in "/p abc" "/p 0" "/p 987654"; do
  timeout 5 "$program" $args
  status=$?
  [ "$status" -eq 0 ] || e2e_fail "[$args] exit code $status"
done

# Help box for anything else: shown with its caption, the program ends once dismissed.
for args in "/c:1234" "/p"; do
  "$program" $args &
  pid=$!
  box=$(e2e_wait_window "Quillmark" 10) || e2e_fail "[$args] no help box"
  name=$(xdotool getwindowname "$box")
  [ "$name" = "    Quillmark" ] || e2e_fail "[$args] help box caption '$name'"
  kill -0 "$pid" 2>/dev/null || e2e_fail "[$args] ended before the box was dismissed"
  # The box ignores synthetic key events: focus it and type for real.
  xdotool windowfocus --sync "$box" 2>/dev/null
  xdotool key Return
  e2e_wait_exit "$pid" 5 || e2e_fail "[$args] did not end after the box"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "[$args] exit code $E2E_STATUS"
done

# Preview into a host window: a child covering the host's client area.
coproc HOST { exec "$tool" host 320 240; }
read -r -t 5 host <&"${HOST[0]}" || e2e_fail "no host window"
"$program" /p "$host" &
pid=$!
child=$(e2e_preview_child "$host") || e2e_fail "no preview child in the host"
read -r _ _ w h <<<"$(e2e_geometry "$child")"
[ "$w $h" = "320 240" ] || e2e_fail "preview child is $w x $h"
kill -0 "$pid" 2>/dev/null || e2e_fail "preview ended on its own"
kill "$HOST_PID" 2>/dev/null  # the host goes away: the preview ends with it
e2e_wait_exit "$pid" 3 || e2e_fail "preview still running after its host went away"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "preview exit code $E2E_STATUS"

# Closed from outside while the process runs.
"$program" &
pid=$!
id=$(e2e_wait_window "$title" 10) || e2e_fail "no window to close"
sleep 1.5
"$tool" close "$id"
e2e_wait_exit "$pid" 1 || e2e_fail "still running a second after the close request"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "closed run exit code $E2E_STATUS"
exit 0
