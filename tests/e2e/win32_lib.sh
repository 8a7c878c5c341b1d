# Shared part of the end-to-end scripts for Brinemere.scr under Wine: paths, the
# private display, the Wine session on it, starting the saver and the test host,
# and cleaning up. Source it after lib.sh; every wait is bounded.

# w32_init ROOT [PRESET]: the build is that of the windows preset unless named;
# "-" starts only the display.
w32_init() {
  root=$1
  wine_run=$root/scripts/wine-run
  export WINEDEBUG=-all
  title="Tarn : Brinemere"
  w32_pids=()
  w32_prefixes=()
  e2e_start_display 1366x768
  trap w32_cleanup EXIT
  [ "${2:-}" = - ] || w32_use "${2:-windows}"
}

# Switches to the programs of another build (windows or windows64), each in its
# own Wine prefix (scripts/wine-run makes the 64-bit one 64-bit).
w32_use() {
  w32_preset=$1
  scr=$root/build/$1/src/Brinemere.scr
  host=$root/build/$1/tests/win32_host.exe
  [ -f "$scr" ] && [ -f "$host" ] || e2e_fail "build the $1 preset first"
  export WINEPREFIX=$root/build/$1/wineprefix
  w32_prefixes+=("$WINEPREFIX")
  # The first program of a session starts Wine's desktop (a few seconds); do it
  # here so the timed steps below measure the program, not Wine.
  timeout 120 "$wine_run" "$host" find "no such window" >/dev/null 2>&1
}

# Ends what this script started (by id), lets the Wine session end, then stops
# the display, so the next script can start a session on its own display.
w32_cleanup() {
  local pid prefix
  for pid in "${w32_pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${w32_pids[@]}"; do
    wait "$pid" 2>/dev/null
  done
  for prefix in "${w32_prefixes[@]}"; do
    WINEPREFIX=$prefix timeout 30 wineserver -w
  done
  e2e_stop_display
}

# Starts the saver with the given arguments in the background; sets saver_pid.
w32_start_saver() {
  "$wine_run" "$scr" "$@" &
  saver_pid=$!
  w32_pids+=("$saver_pid")
}

# Runs one command of the test host (see win32_host.cpp) and prints its output
# with Unix line ends (the C runtime writes CR LF).
w32_host() {
  timeout 30 "$wine_run" "$host" "$@" | tr -d '\r'
}

# Waits up to $2 seconds for the message box with caption $1, prints its text (line
# breaks as |) and presses its OK button; prints nothing when no box came.
w32_answer_box() {
  local caption=$1 limit=$2 text
  for _ in $(seq $((limit * 5))); do
    text=$(w32_host dialog "$caption") && { echo "$text"; return 0; }
    sleep 0.2
  done
  return 1
}

# Waits up to $2 seconds for the saver to end; fails unless its exit code is 0.
w32_expect_clean_exit() {
  local what=$1 limit=$2
  e2e_wait_exit "$saver_pid" "$limit" || e2e_fail "[$what] still running after ${limit} s"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "[$what] exit code $E2E_STATUS"
}
