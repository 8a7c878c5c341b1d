#!/usr/bin/env bash
# Brinemere.scr under Wine in preview mode: "/p HANDLE" with the window of the
# test host makes a child window of the host's client size and starts no process
# thread; when the host goes away the preview ends with exit code 0. Both builds:
# the 64-bit one reads the handle into a window handle twice as wide.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
w32_init "$root"

for preset in windows windows64; do
  [ "$preset" = windows ] || w32_use "$preset"
  out=$(mktemp)
  "$wine_run" "$host" window 152 112 >"$out" &
  host_pid=$!
  w32_pids+=("$host_pid")
  handle=""
  for _ in $(seq 300); do
    handle=$(head -n 1 "$out" | tr -d '\r')
    [ -n "$handle" ] && break
    sleep 0.1
  done
  rm -f "$out"
  [ -n "$handle" ] || e2e_fail "[$preset] the test host made no window"

  # A baseline: the threads of a process that started none of its own (the host).
  read -r _ _ _ _ _ baseline <<<"$(w32_host find "Brinemere Test Host")" ||
    e2e_fail "[$preset] the host window is not found"

  w32_start_saver /p "$handle"
  child=""
  for _ in $(seq 300); do
    child=$(w32_host children "$handle")
    [ -n "$child" ] && break
    sleep 0.1
  done
  [ -n "$child" ] || e2e_fail "[$preset] no preview child in the host window"
  IFS='|' read -r name width height threads <<<"$child"
  [ "$name" = "$title" ] || e2e_fail "[$preset] child title '$name'"
  [ "$width $height" = "152 112" ] ||
    e2e_fail "[$preset] child size $width x $height, host 152 x 112"
  [ "$threads" -le "$baseline" ] ||
    e2e_fail "[$preset] preview has $threads threads, a bare program $baseline"
  xdotool search --name "$title" >/dev/null 2>&1 &&
    e2e_fail "[$preset] the preview made a top-level window"

  # The host closes: its child goes with it and the preview ends.
  w32_host close "Brinemere Test Host" || e2e_fail "[$preset] the host window could not be closed"
  w32_expect_clean_exit "$preset host closed" 10
  e2e_wait_exit "$host_pid" 10 || e2e_fail "[$preset] the host did not end"
done
exit 0
