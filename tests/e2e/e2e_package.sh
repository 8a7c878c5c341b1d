#!/usr/bin/env bash
# The packages: the Debian package built by CPack holds the installed tree,
# depends on the libraries the programs link (found by dpkg-shlibdeps), passes
# lintian, carries the MIT licence of LICENSE in its copyright file, and its
# brinemere-render runs from a throwaway root; the Windows zip holds the 32-bit and
# the 64-bit Brinemere.scr, each in its folder, the install text and the licence.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
build=$root/build/release
[ -x "$build/src/brinemere" ] || e2e_fail "build the release preset first"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target brine_man_pages brine_package_doc >/dev/null ||
  e2e_fail "package files not built"
(cd "$build" && cpack -B "$work/out" >"$work/cpack.log" 2>&1) ||
  e2e_fail "cpack failed: $(cat "$work/cpack.log")"
deb=$(ls "$work"/out/brinemere_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || e2e_fail "no .deb made"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-2.0-0 libgif7 libpng16-16 libx11-6 libc6; do
  grep -q "\b$lib\b" <<<"$depends" || e2e_fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = games ] || e2e_fail "section"
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  e2e_fail "lintian: $(cat "$work/lintian.log")"

# Unpacked where nothing else lives: the renderer runs from there, stripped,
# and its hack link reaches the program.
dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr
[ -x "$usr/libexec/xscreensaver/brinemere" ] || e2e_fail "hack link broken in the package"
"$usr/games/brinemere-render" --frames 3 --size 64x40 --gif "$work/sea.gif" --quiet >/dev/null ||
  e2e_fail "the packaged renderer does not run"
[ "$(identify "$work/sea.gif" | wc -l)" -eq 3 ] || e2e_fail "the packaged renderer's film"
readelf -S "$usr/games/brinemere" | grep -q "\.symtab" && e2e_fail "the program is not stripped"
# The licence: the copyright file names the holder and carries LICENSE's terms.
copyright=$usr/share/doc/brinemere/copyright
grep -qx "Copyright: 2026 The Brinemere authors" "$copyright" || e2e_fail "copyright holder"
grep -qx "Copyright (c) 2026 The Brinemere authors" "$root/LICENSE" || e2e_fail "LICENSE holder"
grep -qx "License: Expat" "$copyright" || e2e_fail "the copyright file's licence name"
terms=$(sed -n '/^ Permission/,$p' "$copyright" | sed 's/^ //; s/^\.$//')
[ "$terms" = "$(sed -n '/^Permission/,$p' "$root/LICENSE")" ] ||
  e2e_fail "the copyright file's licence differs from LICENSE"

# The Windows zip.
[ -f "$root/build/windows/src/Brinemere.scr" ] || e2e_fail "build the windows preset first"
# The installer's step makes the stripped 64-bit file the zip takes.
cmake --build "$root/build/windows" --target installer >/dev/null || e2e_fail "installer not built"
(cd "$root/build/windows" && cpack -B "$work/win" >"$work/cpack.log" 2>&1) ||
  e2e_fail "cpack (windows) failed: $(cat "$work/cpack.log")"
zip=$(ls "$work"/win/*.zip 2>/dev/null | head -n 1)
[ -n "$zip" ] || e2e_fail "no zip made"
names=$(unzip -Z1 "$zip" | sed 's|^[^/]*/||' | grep -v -e '/$' -e '^$' -e '^sdk/' | sort | tr '\n' ' ')
[ "$names" = "32-bit/Brinemere.scr 64-bit/Brinemere.scr INSTALL.txt LICENSE.txt " ] ||
  e2e_fail "zip holds $names"
# Each build in its folder, as the install text says.
unzip -q "$zip" -d "$work/zip" || e2e_fail "cannot unpack the zip"
for bits in 32 64; do
  file=$(ls "$work"/zip/*/$bits-bit/Brinemere.scr)
  cmp -s "$file" "$root/build/windows/stripped/$bits-bit/Brinemere.scr" ||
    e2e_fail "$bits-bit/ does not hold the $bits-bit build"
done
unzip -p "$zip" '*/LICENSE.txt' | cmp -s - "$root/LICENSE" || e2e_fail "the zip's licence is not LICENSE"

# The framework for other programs: libbrinemere-dev from the same cpack run, and
# the zip's sdk folder, each with headers, libraries and the CMake package.
dev=$(ls "$work"/out/libbrinemere-dev_*.deb 2>/dev/null | head -n 1)
[ -n "$dev" ] || e2e_fail "no libbrinemere-dev package made"
[ "$(dpkg-deb -f "$dev" Section)" = libdevel ] || e2e_fail "libbrinemere-dev's section"
grep -q "libsdl2-dev" <<<"$(dpkg-deb -f "$dev" Depends)" || e2e_fail "libbrinemere-dev lacks libsdl2-dev"
lintian --fail-on error,warning "$dev" >"$work/lintian.log" 2>&1 ||
  e2e_fail "lintian (libbrinemere-dev): $(cat "$work/lintian.log")"
dpkg-deb -x "$dev" "$work/dev"
pc=$(find "$work/dev/usr/lib" -name brinemere-sdl.pc)
[ -n "$pc" ] || e2e_fail "libbrinemere-dev has no brinemere-sdl.pc"
# Its pkg-config files point into the tree they were unpacked in.
[ "$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --variable=includedir brinemere | xargs realpath)" = \
  "$work/dev/usr/include" ] || e2e_fail "brinemere.pc points elsewhere"
for f in include/brinemere/shell/shell.h include/brinemere/platform/sdl/sdl.h \
  lib/x86_64-linux-gnu/libbrine_platform_sdl.a lib/x86_64-linux-gnu/cmake/Brinemere/BrinemereConfig.cmake; do
  [ -f "$work/dev/usr/$f" ] || e2e_fail "libbrinemere-dev lacks $f"
done
# Listed once: grep -q leaving a pipe early makes unzip fail, and pipefail counts it.
listing=$(unzip -Z1 "$zip")
for f in include/brinemere/platform/win32/win32.h lib/libbrine_platform_win32.a \
  lib/cmake/Brinemere/BrinemereConfigVersion.cmake share/brinemere/type_en_ru.gif; do
  grep -qx "[^/]*/sdk/$f" <<<"$listing" || e2e_fail "the zip's sdk folder lacks $f"
done
exit 0
