# Shared helpers of the end-to-end scripts: a private Xvfb, waiting with limits,
# window lookups. Source it; every wait is bounded.

e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Starts Xvfb on a free display at the given size; sets DISPLAY.
e2e_start_display() {
  local size=${1:-1366x768}
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    E2E_XVFB=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill "$E2E_XVFB" 2>/dev/null
  done
  e2e_fail "no Xvfb display could be started"
}

e2e_stop_display() {
  [ -n "${E2E_XVFB:-}" ] && kill "$E2E_XVFB" 2>/dev/null
  wait "$E2E_XVFB" 2>/dev/null
  return 0
}

# Waits up to $2 seconds (default 10) for a window named $1; prints its id.
e2e_wait_window() {
  local name=$1 limit=${2:-10} id
  local tries=$((limit * 10))
  for _ in $(seq "$tries"); do
    id=$(xdotool search --name "$name" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Waits up to $2 seconds for process $1 to end; sets E2E_STATUS to its exit code.
e2e_wait_exit() {
  local pid=$1 limit=${2:-5}
  local tries=$((limit * 20))
  for _ in $(seq "$tries"); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      E2E_STATUS=$?
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# "x y width height" of a window, from xwininfo.
e2e_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}
