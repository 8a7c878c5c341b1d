#!/usr/bin/env bash
# The framework as an installed package, used the way another program would use it:
#   framework_package.sh ROOT linux|windows
# installs the framework component of that build into a throwaway prefix, checks
# that every public header compiles alone and includes no system header, builds
# both examples and a copy of the widget demo against the prefix alone, runs each
# on a private display (Windows ones under Wine) and checks pixels they must draw.
# Linux also compiles a one-file program with pkg-config and runs it headless.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
target=${2:-linux}
. "$root/tests/e2e/lib.sh"
work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -w
  [ -n "${E2E_XVFB:-}" ] && e2e_stop_display
  rm -rf "$work"
}
trap cleanup EXIT
prefix=$work/prefix

if [ "$target" = windows ]; then
  build=$root/build/windows
  backends="brine_platform_win32 brine_platform_headless"
  configure=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake")
  exe=.exe
else
  build=$root/build/release
  # The dev package's doc folder takes the gzipped changelog.
  backends="brine_platform_sdl brine_platform_headless brine_package_doc"
  configure=()
  exe=
fi
[ -f "$build/CMakeCache.txt" ] || e2e_fail "configure the $target preset first"
# shellcheck disable=SC2086
cmake --build "$build" --target brine_framework $backends >"$work/log" 2>&1 ||
  e2e_fail "the framework does not build: $(tail -20 "$work/log")"
cmake --install "$build" --component framework --prefix "$prefix" >"$work/log" 2>&1 ||
  e2e_fail "install failed: $(tail -20 "$work/log")"

# ---- the public headers: each compiles alone; only standard headers from outside ----
# The Windows zip's sdk folder; Debian's multiarch folder for the libraries on Linux.
top=$prefix
[ "$target" = windows ] && top=$prefix/sdk
cmake_dir=$(dirname "$(find "$prefix" -name BrinemereConfig.cmake | head -n 1)")
[ -f "$cmake_dir/BrinemereConfigVersion.cmake" ] || e2e_fail "no CMake package installed"
cxx=g++
[ "$target" = windows ] && cxx=i686-w64-mingw32-g++-posix
headers=$(cd "$top/include" && find brinemere -name '*.h' | sort)
[ "$(echo "$headers" | wc -l)" -ge 20 ] || e2e_fail "too few public headers: $headers"
for h in $headers; do
  out=$(echo "#include <$h>" | "$cxx" -std=c++20 -Wall -Wextra -Werror -fsyntax-only \
    -I"$top/include" -I"$top/include/brinemere" -x c++ - 2>&1) ||
    e2e_fail "$h does not compile alone: $out"
  # <name> with no extension or folder is the C++ library; "dir/file.h" must be ours.
  bad=$(grep -E '^[[:space:]]*#[[:space:]]*include' "$top/include/$h" |
    grep -vE '#[[:space:]]*include[[:space:]]+<[a-z_]+>' |
    sed -nE 's/.*include[[:space:]]+"([^"]+)".*/\1/p;t;s/(.*)/!\1/p' |
    while read -r inc; do [ -f "$top/include/brinemere/$inc" ] || echo "$inc"; done)
  [ -z "$bad" ] || e2e_fail "$h includes what the package does not hold: $bad"
done

# ---- builds against the prefix alone ----
cp -r "$root/examples/minimal" "$root/examples/widgets" "$work/"
mkdir -p "$work/demo/src/demo"
cp "$root"/src/demo/*.cpp "$root"/src/demo/*.h "$work/demo/src/demo/"
if [ "$target" = windows ]; then
  cp "$root/src/app/main_demo_win32.cpp" "$work/demo/main.cpp"
else
  cp "$root/src/app/main_demo.cpp" "$work/demo/main.cpp"
fi
cat >"$work/demo/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(DemoCopy LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
if(WIN32)
  enable_language(RC)
endif()
find_package(Brinemere 1.0 REQUIRED)
file(GLOB sources src/demo/*.cpp)
if(WIN32)
  add_executable(demo WIN32 main.cpp ${sources})
  target_link_options(demo PRIVATE -municode)
  target_link_libraries(demo PRIVATE Brinemere::win32)
else()
  add_executable(demo main.cpp ${sources})
  target_link_libraries(demo PRIVATE Brinemere::sdl)
endif()
target_include_directories(demo PRIVATE src)
target_compile_options(demo PRIVATE -Wall -Wextra -Werror)
brinemere_add_resources(demo ${DEMO_RESOURCES})
CMAKE
for program in minimal widgets demo; do
  cmake -S "$work/$program" -B "$work/$program/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    "${configure[@]}" -DBrinemere_DIR="$cmake_dir" -DDEMO_RESOURCES="$root/resources/demo.txt" \
    >"$work/log" 2>&1 &&
    cmake --build "$work/$program/build" >>"$work/log" 2>&1 ||
    e2e_fail "$program does not build against the package: $(tail -30 "$work/log")"
done
# A version the package does not promise is refused.
mkdir -p "$work/v2"
printf 'cmake_minimum_required(VERSION 3.25)\nproject(V LANGUAGES CXX)\nfind_package(Brinemere 2.0 REQUIRED)\n' \
  >"$work/v2/CMakeLists.txt"
cmake -S "$work/v2" -B "$work/v2/build" "${configure[@]}" \
  -DBrinemere_DIR="$cmake_dir" >/dev/null 2>&1 &&
  e2e_fail "find_package(Brinemere 2.0) accepted version 1"

if [ "$target" = linux ]; then
  # ---- one file, pkg-config, headless: a frame drawn and read back in memory ----
  cat >"$work/one.cpp" <<'CPP'
#include <brinemere/platform/common/resources.h>
#include <brinemere/platform/headless/headless.h>
#include <brinemere/shell/shell.h>
#include <brinemere/surface/surface.h>
#include <brinemere/vector/fills.h>
#include <brinemere/vector/shapes.h>
#include <cstdio>

const emu::EmbeddedResource embeddedResources[] = {{L"", L"", nullptr, 0}};
const int embeddedResourceCount = 0;
static unsigned corner = 0, inside = 0;

static void process() {
  createBackBuffer();
  fillView(0xFF204060, BLEND_COPY);
  fillPolyRect(10.0f, 10.0f, 29.0f, 29.0f, 0xFFFF0000, BLEND_COPY);
  present();
  shutdownDrawing();
}
static void registerOne() {
  setScreenSize(64, 48);
  userCallbacks.process = process;
}
static void presented(int) {
  const headless::Canvas* canvas = headless::windowCanvas(headless::mainWindow());
  if (!canvas || canvas->width < 64) return;
  corner = canvas->pixels[5 * canvas->width + 5] & 0xFFFFFF;
  inside = canvas->pixels[20 * canvas->width + 20] & 0xFFFFFF;
}
int main() {
  headless::Options options;
  options.screenWidth = 64;
  options.screenHeight = 48;
  options.onPresent = presented;
  headless::configure(options);
  const int code = runApplication(registerOne, 0, SW_SHOWNORMAL);
  std::printf("%d %06X %06X\n", code, corner, inside);
  return 0;
}
CPP
  export PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name brinemere.pc)")
  # shellcheck disable=SC2046
  g++ -std=c++20 -Wall -Wextra -Werror -o "$work/one" "$work/one.cpp" \
    $(pkg-config --cflags --libs brinemere-headless) >"$work/log" 2>&1 ||
    e2e_fail "the pkg-config build fails: $(cat "$work/log")"
  got=$(timeout 20 "$work/one")
  [ "$got" = "0 204060 FF0000" ] || e2e_fail "the one-file program shows '$got', not '0 204060 FF0000'"
fi

# ---- running: each program draws what it must, and ends with 0 ----
e2e_start_display 1366x768
run=()
if [ "$target" = windows ]; then
  export BRINE_WINEPREFIX=$root/build/windows/wineprefix WINEPREFIX=$root/build/windows/wineprefix
  export WINEDEBUG=-all
  run=("$root/scripts/wine-run")
fi
start() {
  "${run[@]}" "$@" &
  pid=$!
  pids+=("$pid")
}
# Waits for program $1 to end with 0 after what $2 names.
ends_well() {
  e2e_wait_exit "$pid" 15 || e2e_fail "$1 still runs after $2"
  [ "$E2E_STATUS" -eq 0 ] || e2e_fail "$1 ended with $E2E_STATUS after $2"
}
press_escape() {
  xdotool windowfocus "$1" 2>/dev/null
  xdotool key --window "$1" Escape
}
# How many pixels of colour $5 the screen's rectangle w x h + x + y shows.
count_colour() {
  import -silent -window root -crop "$3x$4+$1+$2" -depth 8 txt:- 2>/dev/null | grep -ci "$5"
}

# The minimal saver: its sky, and its disc crossing the middle row.
start "$work/minimal/build/minimal$exe"
id=$(e2e_wait_window "Minimal saver" 60) || e2e_fail "the minimal saver shows no window"
e2e_wait_pixel 5 5 "#102040" 10 || e2e_fail "the minimal saver's sky is $(e2e_pixel 5 5)"
disc=0
for _ in $(seq 20); do
  disc=$(count_colour 0 384 1366 1 "#F0C040")
  [ "$disc" -gt 0 ] && break
  sleep 0.3
done
# Radius 768 / 5: a whole disc crosses the row over 307 pixels; it may be at an edge.
[ "$disc" -gt 0 ] && [ "$disc" -le 309 ] || e2e_fail "the disc covers $disc pixels of the middle row"
press_escape "$id"
ends_well minimal Esc

# Pictures, font and menu: the tile centred (its square (3, 3) gold), text above,
# the menu's "Swap colours" row turns that square teal, its "Exit" row ends it.
start "$work/widgets/build/widgets$exe"
id=$(e2e_wait_window "Widgets example" 60) || e2e_fail "the widgets example shows no window"
e2e_wait_pixel 5 5 "#101820" 10 || e2e_fail "the widgets example's background is $(e2e_pixel 5 5)"
e2e_wait_pixel 691 392 "#F0C040" 5 || e2e_fail "the tile shows $(e2e_pixel 691 392) at its middle"
[ "$(e2e_pixel 675 392)" = "#208080" ] || e2e_fail "the tile's square (2, 3) is $(e2e_pixel 675 392)"
text=$(import -silent -window root -crop 600x30+383+35 -format %k info: 2>/dev/null)
[ "${text:-0}" -gt 1 ] || e2e_fail "no text above the tile"
# The bars' body is #2C3440 in the stock picture; the row under the mouse is lit.
xdotool mousemove 600 200 click 3
e2e_wait_pixel 660 227 "#2C3440" 5 || e2e_fail "no Exit row beside the mouse: $(e2e_pixel 660 227)"
xdotool mousemove 660 207
sleep 0.5
xdotool click 1
e2e_wait_pixel 691 392 "#208080" 5 || e2e_fail "Swap colours left the tile $(e2e_pixel 691 392)"
e2e_wait_pixel 660 227 "#101820" 5 || e2e_fail "the menu stays after a click"
xdotool mousemove 600 200 click 3
e2e_wait_pixel 660 227 "#2C3440" 5 || e2e_fail "the menu does not open again"
xdotool mousemove 660 227
sleep 0.5
xdotool click 1
ends_well widgets "the menu's Exit"

# The demo, built from its own sources against the package: background and ramp.
start "$work/demo/build/demo$exe"
id=$(e2e_wait_window "Brinemere Demo" 60) || e2e_fail "the demo copy shows no window"
e2e_wait_pixel 5 5 "#101820" 10 || e2e_fail "the demo copy's background is $(e2e_pixel 5 5)"
e2e_wait_pixel 5 256 "#0F1F3F" 5 || e2e_fail "the demo copy's ramp starts $(e2e_pixel 5 256)"
press_escape "$id"
ends_well demo Esc
exit 0
