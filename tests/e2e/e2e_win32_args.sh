#!/usr/bin/env bash
# Brinemere.scr under Wine, the command lines that show no saver: "/p abc" and
# "/p 0" end at once with exit code 0 and no window; "/c:1234", "/c 1234" (the
# settings button of the screen-saver page, with the page's window handle) and
# a lone "/p" show the help box "    Quillmark", owned by no window, and end with
# 0 once it is dismissed. Both builds, the 32-bit and the 64-bit one.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
w32_init "$root"

for preset in windows windows64; do
  [ "$preset" = windows ] || w32_use "$preset"
  for args in "/p abc" "/p 0"; do
    w32_start_saver $args
    # Watch for a window until the program has ended.
    for _ in $(seq 200); do
      kill -0 "$saver_pid" 2>/dev/null || break
      xdotool search --name "$title" >/dev/null 2>&1 && e2e_fail "[$preset $args] a window appeared"
      sleep 0.05
    done
    w32_expect_clean_exit "$preset $args" 5
  done

  for args in "/c:1234" "/c 1234" "/p"; do
    w32_start_saver $args
    box=$(e2e_wait_window "Quillmark" 30) || e2e_fail "[$preset $args] no help box"
    name=$(xdotool getwindowname "$box")
    [ "$name" = "    Quillmark" ] || e2e_fail "[$preset $args] help box caption '$name'"
    kill -0 "$saver_pid" 2>/dev/null ||
      e2e_fail "[$preset $args] ended before the box was dismissed"
    owner=$(w32_host owner "    Quillmark") || e2e_fail "[$preset $args] the host found no box"
    [ "$owner" = 0 ] || e2e_fail "[$preset $args] the help box is owned by window $owner"
    # The box's text as Windows holds it (line breaks shown as |), then its OK button.
    text=$(w32_host dialog "    Quillmark") || e2e_fail "[$preset $args] the host found no box"
    [ "$text" = "|Exit - key Esc  ||Help - key F1  ||" ] ||
      e2e_fail "[$preset $args] help text '$text'"
    w32_expect_clean_exit "$preset $args" 10
  done
done
exit 0
