#!/usr/bin/env bash
# cmake --install into a temporary root: every file where Debian's packages put
# it, the hack link resolving to the program, man pages that read, XScreenSaver's
# description naming the hack and its -root command line, and a program that runs
# from the installed tree.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
build=$root/build/release
[ -x "$build/src/brinemere" ] || e2e_fail "build the release preset first"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

cmake --build "$build" --target brine_man_pages brine_package_doc >/dev/null || e2e_fail "man pages not built"
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$stage.log" 2>&1 ||
  e2e_fail "install failed: $(cat "$stage.log")"
rm -f "$stage.log"
usr=$stage/usr
expected="games/brinemere
games/brinemere-render
libexec/xscreensaver/brinemere
share/applications/brinemere.desktop
share/doc/brinemere/changelog.gz
share/doc/brinemere/copyright
share/man/man6/brinemere-render.6.gz
share/man/man6/brinemere.6.gz
share/xscreensaver/config/brinemere.xml"
found=$(cd "$usr" && find . ! -type d | sed 's|^\./||' | sort)
[ "$found" = "$expected" ] || e2e_fail "installed files differ:
$found"
for f in games/brinemere games/brinemere-render; do
  [ -x "$usr/$f" ] || e2e_fail "$f is not executable"
done
[ "$(readlink "$usr/libexec/xscreensaver/brinemere")" = "../../games/brinemere" ] &&
  [ -x "$usr/libexec/xscreensaver/brinemere" ] || e2e_fail "the hack link does not reach the program"

# Both pages render, the renderer's through the link to the program's.
for page in brinemere brinemere-render; do
  text=$(cd "$usr/share/man" && LC_ALL=C MANWIDTH=80 man -l "man6/$page.6.gz" 2>&1)
  echo "$text" | grep -q "^BRINEMERE(6)" || e2e_fail "$page.6 does not render: $text"
  echo "$text" | grep -q -- "-window-id id" || e2e_fail "$page.6 lacks the hack options"
done

xml=$usr/share/xscreensaver/config/brinemere.xml
grep -q '<screensaver name="brinemere" _label="Brinemere">' "$xml" || e2e_fail "hack name"
grep -q '<command arg="-root"/>' "$xml" || e2e_fail "hack command line"
grep -q '<_description>' "$xml" && grep -q '</screensaver>' "$xml" || e2e_fail "hack description"
# Every start option the settings dialog passes is one the program takes (the
# renderer reads them with two dashes), the slider at both of its ends.
starts=$(grep -o 'arg\(-set\|-unset\)\?="[^"]*"' "$xml" | sed 's/^[^"]*"//; s/"$//' |
  grep -v -x -e '-root' -e '-fps')
[ "$(echo "$starts" | wc -l)" -eq 6 ] || e2e_fail "the description offers: $starts"
while read -r option value; do
  for end in 1.0 3.0; do
    "$usr/games/brinemere-render" --frames 1 --size 64x40 --quiet "-$option" \
      ${value:+"${value//%/$end}"} >/dev/null ||
      e2e_fail "brinemere.xml offers '$option $value', which the program refuses"
  done
done <<<"$starts"
desktop=$usr/share/applications/brinemere.desktop
for line in "[Desktop Entry]" "Type=Application" "Name=Brinemere" "Exec=brinemere"; do
  grep -qxF "$line" "$desktop" || e2e_fail "desktop entry lacks $line"
done

"$usr/games/brinemere-render" --frames 2 --size 64x40 --quiet >/dev/null ||
  e2e_fail "the installed renderer does not run"
exit 0
