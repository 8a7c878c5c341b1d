#!/usr/bin/env bash
# Releasing Esc takes the saver's window away within 150 ms, in each of three runs:
# the run ends after the frame being drawn, and nothing waits on the process
# thread that ends it. Prints the times.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
program=$root/build/${E2E_BUILD}/src/brinemere
tool=$root/build/release/tests/x11_tool
[ -x "$program" ] && [ -x "$tool" ] || e2e_fail "build the $E2E_BUILD preset first"
e2e_start_display 1366x768
trap e2e_stop_display EXIT

start_saver() {
  "$program" /s &
  pid=$!
}
e2e_esc_runs "$tool" "Tarn : Brinemere" 10
exit 0
