#!/usr/bin/env bash
# Brinemere.scr under Wine, the command lines that show no saver: "/p abc" and
# "/p 0" end at once with exit code 0 and no window; "/c:1234" and a lone "/p"
# show the help box "    Quillmark" and end with 0 once it is dismissed.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
w32_init "$root"

for args in "/p abc" "/p 0"; do
  w32_start_saver $args
  # Watch for a window until the program has ended.
  for _ in $(seq 200); do
    kill -0 "$saver_pid" 2>/dev/null || break
    xdotool search --name "$title" >/dev/null 2>&1 && e2e_fail "[$args] a window appeared"
    sleep 0.05
  done
  w32_expect_clean_exit "$args" 5
done

for args in "/c:1234" "/p"; do
  w32_start_saver $args
  box=$(e2e_wait_window "Quillmark" 30) || e2e_fail "[$args] no help box"
  name=$(xdotool getwindowname "$box")
  [ "$name" = "    Quillmark" ] || e2e_fail "[$args] help box caption '$name'"
  kill -0 "$saver_pid" 2>/dev/null || e2e_fail "[$args] ended before the box was dismissed"
  # The box's text as Windows holds it (line breaks shown as |), then its OK button.
  text=$(w32_host dialog "    Quillmark") || e2e_fail "[$args] the host found no box"
  [ "$text" = "|Exit - key Esc  ||Help - key F1  ||" ] || e2e_fail "[$args] help text '$text'"
  w32_expect_clean_exit "$args" 10
done
exit 0
