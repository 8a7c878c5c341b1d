#!/usr/bin/env bash
# Brinemere.scr under Wine on a virtual 1366x768 display, full-screen runs: no
# argument, /s and /S give the window "Tarn : Brinemere" of 1368x768 at (-1, 0)
# (the width rounded up to a multiple of 8); Esc held keeps it, Esc released ends
# the run with exit code 0; closing it from outside (WM_CLOSE from a Windows
# program, or the close request a window manager sends) ends it promptly with 0.
# Both builds, the 32-bit one and the 64-bit one, in turn.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
w32_init "$root"
tool=$root/build/release/tests/x11_tool
[ -x "$tool" ] || e2e_fail "build the release preset first (x11_tool)"

# Waits for the saver's window; checks its place and size on the X side.
expect_window() {
  local what=$1 id x y w h
  id=$(e2e_wait_window "$title" 30) || e2e_fail "[$what] no window"
  read -r x y w h <<<"$(e2e_geometry "$id")"
  [ "$x $y $w $h" = "-1 0 1368 768" ] || e2e_fail "[$what] geometry $x $y $w $h"
  echo "$id"
}

for preset in windows windows64; do
  [ "$preset" = windows ] || w32_use "$preset"
  for args in "" "/s" "/S"; do
    w32_start_saver $args
    id=$(expect_window "$preset $args") || exit 1
    # Windows' own view of the same window: one top-level window with that title.
    read -r _ wx wy ww wh threads <<<"$(w32_host find "$title")" ||
      e2e_fail "[$preset $args] FindWindowW does not see the window"
    [ "$wx $wy $ww $wh" = "-1 0 1368 768" ] ||
      e2e_fail "[$preset $args] window rectangle $wx $wy $ww $wh"
    [ "$threads" -ge 2 ] || e2e_fail "[$preset $args] $threads threads: no process thread"
    # Keys count from the sea on: the splash comes first.
    e2e_wait_pixel 10 10 "#EF7B02" 15 || e2e_fail "[$preset $args] no sea after the splash"
    # Without a window manager the pointer decides where keys go.
    xdotool mousemove 683 384
    xdotool keydown Escape
    sleep 1.5
    kill -0 "$saver_pid" 2>/dev/null || e2e_fail "[$preset $args] ended while Esc was held"
    xdotool keyup Escape
    w32_expect_clean_exit "$preset $args Esc" 5
  done

  # Closed by a Windows program: WM_CLOSE while the process thread runs.
  w32_start_saver /s
  expect_window "$preset WM_CLOSE" >/dev/null || exit 1
  sleep 1
  w32_host close "$title" || e2e_fail "[$preset WM_CLOSE] the host found no window to close"
  w32_expect_clean_exit "$preset WM_CLOSE" 3

  # Closed from the X side, as a window manager's close button does.
  w32_start_saver
  id=$(expect_window "$preset WM_DELETE_WINDOW") || exit 1
  sleep 1
  "$tool" close "$id"
  w32_expect_clean_exit "$preset WM_DELETE_WINDOW" 3
done
exit 0
