#!/usr/bin/env bash
# Takes docs/installer.png, the installer's first page under Wine on a virtual
# display (the window's caption is cut off: Wine draws its buttons with a font
# the display lacks). Build the installer first:
#   cmake --build --preset windows --target installer
#   tools/installer_screenshot.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tests/e2e/lib.sh"
version=$(sed -n 's/^project(Brinemere VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
setup=$root/build/windows/packages/BrinemereSetup-$version.exe
[ -f "$setup" ] || e2e_fail "build the installer first"
export BRINE_WINEPREFIX=$root/build/windows/installer-win32 BRINE_WINEARCH=win32
export WINEPREFIX=$BRINE_WINEPREFIX
e2e_start_display 1024x768
"$root/scripts/wine-run" "$setup" &
pid=$!
id=$(e2e_wait_window "Brinemere Setup" 60) || { kill "$pid"; e2e_stop_display; e2e_fail "no window"; }
sleep 3
import -window "$id" -crop +0+20 +repage "$root/docs/installer.png"
kill "$pid"
wait "$pid" 2>/dev/null
timeout 30 wineserver -k
e2e_stop_display
