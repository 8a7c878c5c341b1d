# Shared helpers of the end-to-end scripts: a private Xvfb, waiting with limits,
# window lookups. Source it; every wait is bounded.

# The build whose Linux programs are run: release, or asan to run the same tests
# under the sanitizers, where any finding makes the program's exit code non-zero.
E2E_BUILD=${E2E_BUILD:-release}
if [ "$E2E_BUILD" = asan ]; then
  e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  # Leaks inside system libraries only; ours still fail the run.
  export LSAN_OPTIONS="suppressions=$e2e_root/tests/sanitizers/lsan.supp:print_suppressions=0"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi

e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Whether display :$1 belongs to a live server. A server killed outright leaves
# its lock and socket behind; those are cleared, or fifty such runs on one
# machine would use up every display number.
e2e_display_taken() {
  local lock="/tmp/.X$1-lock" pid
  if [ -e "$lock" ]; then
    pid=$(tr -dc 0-9 <"$lock" 2>/dev/null)
    # kill -0 also fails on another user's live process: keep that one.
    if [ -n "$pid" ] && { kill -0 "$pid" 2>/dev/null || [ -d "/proc/$pid" ]; }; then
      return 0
    fi
    rm -f "$lock" "/tmp/.X11-unix/X$1" 2>/dev/null
    [ -e "$lock" ] && return 0
  fi
  [ -e "/tmp/.X11-unix/X$1" ]
}

# Forgets the private server after it was killed on purpose, lock and all.
e2e_forget_display() {
  { wait "$E2E_XVFB"; } 2>/dev/null
  E2E_XVFB=""
  e2e_display_taken "${DISPLAY#:}" || true
}

# Starts Xvfb on a free display at the given size; sets DISPLAY.
e2e_start_display() {
  local size=${1:-1366x768}
  local n
  for n in $(seq 91 140); do
    e2e_display_taken "$n" && continue
    # -noreset: by default the server resets when its last client leaves, and a
    # program connecting during that reset (just after xdpyinfo below) is refused.
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
    E2E_XVFB=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      # Ours must be the server that answers: another one may have taken the
      # number first, and then ours has already given up.
      kill -0 "$E2E_XVFB" 2>/dev/null || break
      xdpyinfo >/dev/null 2>&1 && kill -0 "$E2E_XVFB" 2>/dev/null && return 0
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
# The first child window of HOST, waited for up to 5 s; status 1 when none came.
e2e_preview_child() {
  local child=""
  for _ in $(seq 50); do
    child=$(xwininfo -children -id "$1" 2>/dev/null | awk '/^ +0x/{print $1; exit}')
    [ -n "$child" ] && break
    sleep 0.1
  done
  [ -n "$child" ] && echo "$child"
}

e2e_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}

# The first #RRGGBB of ImageMagick's txt: output on standard input.
e2e_txt_colour() {
  awk 'NR==2{for(i=1;i<=NF;i++) if($i ~ /^#[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]/){print toupper(substr($i,1,7)); exit}}'
}

# The colour of screen pixel (x, y) as #RRGGBB.
e2e_pixel() {
  import -silent -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | e2e_txt_colour
}

# Waits up to $4 seconds for screen pixel ($1, $2) to become colour $3.
e2e_wait_pixel() {
  local tries=$(($4 * 5))
  for _ in $(seq "$tries"); do
    [ "$(e2e_pixel "$1" "$2")" = "$3" ] && return 0
    sleep 0.2
  done
  return 1
}

# Whether screen shot $1 (a PPM, see x11_tool shots) shows picture file $4 at ($2, $3)
# as drawn over black, within 1 % a channel for the rounding of alpha blending.
e2e_shot_shows() {
  local shot=$1 x=$2 y=$3 file=$4 size part want shown=1
  size=$(identify -format '%wx%h' "$file[0]" 2>/dev/null) || return 1
  part=$(mktemp) want=$(mktemp)
  convert "$shot" -crop "$size+$x+$y" +repage "ppm:$part"
  convert "$file" -background black -flatten -depth 8 "ppm:$want"
  [ "$(compare -metric AE -fuzz 1% "ppm:$part" "ppm:$want" null: 2>&1)" = "0" ] && shown=0
  rm -f "$part" "$want"
  return $shown
}

# The colour of pixel (x, y) of screen shot $1 as #RRGGBB.
e2e_shot_pixel() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | e2e_txt_colour
}

# Waits up to $2 seconds until no window is named $1 (a program that ended may
# leave its window a moment longer on the server).
e2e_wait_no_window() {
  local tries=$((${2:-3} * 10))
  for _ in $(seq "$tries"); do
    [ -z "$(xdotool search --name "$1" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  return 1
}

# "running" or "ended with N" for process $1, for failure messages.
e2e_describe() {
  if kill -0 "$1" 2>/dev/null; then
    echo "running"
  else
    wait "$1"
    echo "ended with $?"
  fi
}

# Sends window $2 the close request a window manager sends ($1 is x11_tool) until
# process $3 ends: at most three requests, $4 seconds apart (one that comes before
# the program listens is lost, as under a real window manager). Sets E2E_STATUS.
e2e_close_until_gone() {
  local tool=$1 id=$2 pid=$3 limit=$4
  for _ in 1 2 3; do
    "$tool" close "$id" 2>/dev/null
    e2e_wait_exit "$pid" "$limit" && return 0
  done
  return 1
}

# The widget demo's menu, opened by the right button at (600, 200): rows 16 high,
# 4 apart, "Strip speed" at 200, "Reset count" at 220, "Colours" at 240, the
# separator at 260, "Exit" at 265; the bars run from the mouse's x for 120 pixels.
# Opens it, checks its unlit bar at the row of y = $1 and that it stays below the
# top, then clicks that row.
e2e_demo_choose() {
  local y=$1
  xdotool mousemove 600 200 click 3
  e2e_wait_pixel 660 "$y" "#2C3440" 5 || e2e_fail "no menu bar at the mouse: $(e2e_pixel 660 "$y")"
  [ "$(e2e_pixel 560 5)" = "#101820" ] || e2e_fail "the menu reaches the top: $(e2e_pixel 560 5)"
  xdotool mousemove 660 "$y"
  sleep 0.5
  xdotool click 1
}

# Holds Esc down, then releases it while x11_tool ($1) watches window $2; prints
# the milliseconds from just before the release to the window's going (an upper
# bound: it includes xdotool's own start). Status 1 when the window stayed.
e2e_esc_release_ms() {
  local tool=$1 id=$2 out watcher start line
  out=$(mktemp)
  xdotool windowfocus --sync "$id" 2>/dev/null
  xdotool keydown Escape
  "$tool" gone "$id" 5000 >"$out" &
  watcher=$!
  for _ in $(seq 50); do
    grep -q watching "$out" && break
    sleep 0.05
  done
  start=$(date +%s%3N)
  xdotool keyup Escape
  wait "$watcher"
  line=$(sed -n 2p "$out")
  rm -f "$out"
  [[ $line =~ ^[0-9]+$ ]] || return 1
  echo $((line - start))
}

# Three runs of the saver, each ended by releasing Esc; fails unless its window
# went within 150 ms each time and the run ended with 0. start_saver (defined by
# the caller) starts one and sets pid; $1 is x11_tool, $2 the window's title, $3
# how long to wait for it. Prints the times. The sanitizers draw each frame several
# times slower, and the run ends after the frame being drawn: 400 ms there.
e2e_esc_runs() {
  local tool=$1 title=$2 limit=$3 run id ms times=() bound=150
  [ "$E2E_BUILD" = asan ] && bound=400
  for run in 1 2 3; do
    start_saver
    id=$(e2e_wait_window "$title" "$limit") || e2e_fail "[$run] no window"
    sleep 3  # past the splash: the sea runs
    ms=$(e2e_esc_release_ms "$tool" "$id") || e2e_fail "[$run] the window stayed after Esc"
    e2e_wait_exit "$pid" 5 || e2e_fail "[$run] still running after Esc"
    [ "$E2E_STATUS" -eq 0 ] || e2e_fail "[$run] exit code $E2E_STATUS"
    [ "$ms" -le "$bound" ] || e2e_fail "[$run] the window went ${ms} ms after Esc was released"
    times+=("$ms")
  done
  echo "Esc released to window gone: ${times[*]} ms"
}

# Fails unless the demo's settings file $1 holds "1 $2 $3 COUNT" with COUNT > 0.
e2e_expect_demo_state() {
  local mark step scheme count rest
  [ -f "$1" ] || e2e_fail "no settings file $1"
  read -r mark step scheme count rest <<<"$(tr -d '\0' <"$1")"
  [ "$mark $step $scheme" = "1 $2 $3" ] && [ -z "$rest" ] && [ "$count" -gt 0 ] ||
    e2e_fail "the file holds '$(tr -d '\0' <"$1")', not '1 $2 $3 COUNT'"
}
