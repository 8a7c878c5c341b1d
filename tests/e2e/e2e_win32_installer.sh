#!/usr/bin/env bash
# BrinemereSetup-VERSION.exe under Wine, in a 64-bit and in a 32-bit prefix of
# its own, silent (/S) throughout:
# - the install puts the prefix's build of Brinemere.scr in its system folder
#   (the 64-bit one in system32, nothing in syswow64), the uninstaller in Program
#   Files, the uninstall entry (name, version, publisher, icon, size), and makes
#   Brinemere the user's saver; the installed .scr /s runs and ends on Esc;
# - installing twice changes nothing, and the uninstall then removes every file
#   and the entry and puts back the saver the user had before;
# - after the user deleted the .scr by hand and chose another saver, the
#   uninstall still ends cleanly and leaves that saver alone.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
version=$(sed -n 's/^project(Brinemere VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
setup=$root/build/windows/packages/BrinemereSetup-$version.exe
cmake --build "$root/build/windows" --target installer >/dev/null || e2e_fail "installer not built"
[ -f "$setup" ] || e2e_fail "no $setup"
w32_init "$root" -

desktop='HKCU\Control Panel\Desktop'
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brinemere'
theirs='C:\windows\system32\ripple.scr'
ours='C:\windows\system32\Brinemere.scr'

# The value NAME of KEY as reg prints it (REG_DWORD as 0x...), empty when absent.
reg_value() {
  timeout 30 wine reg query "$1" /v "$2" /reg:64 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 \+REG_[A-Z_]\+ \+//p"
}

# Fails unless the value NAME of KEY is WANTED; the step's name comes first.
expect_value() {
  local what=$1 key=$2 name=$3 wanted=$4 got
  got=$(reg_value "$key" "$name")
  [ "$got" = "$wanted" ] || e2e_fail "[$arch $what] $name is '$got', not '$wanted'"
}

expect_key_gone() {
  timeout 30 wine reg query "$2" /reg:64 >/dev/null 2>&1 && e2e_fail "[$arch $1] $2 is left"
  return 0
}

# Runs the uninstaller silently. It copies itself elsewhere and returns at once,
# so wait until it has removed itself.
uninstall() {
  "$wine_run" "$programs/Brinemere/Uninstall.exe" /S || e2e_fail "[$arch $1] uninstaller failed"
  for _ in $(seq 100); do
    [ -e "$programs/Brinemere" ] || return 0
    sleep 0.2
  done
  e2e_fail "[$arch $1] the uninstaller left $programs/Brinemere"
}

expect_uninstalled() {
  local what=$1
  [ -e "$system/Brinemere.scr" ] && e2e_fail "[$arch $what] Brinemere.scr is left"
  [ -e "$programs/Brinemere" ] && e2e_fail "[$arch $what] the Program Files folder is left"
  expect_key_gone "$what" "$entry"
  expect_key_gone "$what" 'HKCU\Software\Brinemere'
}

for arch in win64 win32; do
  export BRINE_WINEARCH=$arch BRINE_WINEPREFIX=$root/build/windows/installer-$arch
  export WINEPREFIX=$BRINE_WINEPREFIX
  w32_prefixes+=("$WINEPREFIX")
  drive=$WINEPREFIX/drive_c
  system=$drive/windows/system32
  programs=$drive/Program\ Files
  bits=${arch#win}

  # A prefix from an earlier run may hold what a failed run left: start clean,
  # with another saver the user chose (inactive).
  timeout 120 "$wine_run" "$root/build/windows/tests/win32_host.exe" find "no such window" \
    >/dev/null 2>&1
  rm -rf "$system/Brinemere.scr" "$drive/windows/syswow64/Brinemere.scr" "$programs/Brinemere"
  printf '%s\r\n' REGEDIT4 "" '[HKEY_CURRENT_USER\Control Panel\Desktop]' \
    "\"SCRNSAVE.EXE\"=\"${theirs//\\/\\\\}\"" '"ScreenSaveActive"="0"' "" \
    '[-HKEY_CURRENT_USER\Software\Brinemere]' \
    '[-HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brinemere]' \
    >"$WINEPREFIX/drive_c/reset.reg"
  timeout 30 wine reg import 'C:\reset.reg' /reg:64 >/dev/null 2>&1 || e2e_fail "[$arch] reset"
  expect_value reset "$desktop" SCRNSAVE.EXE "$theirs"

  # ---- install, twice ----
  for round in first second; do
    "$wine_run" "$setup" /S || e2e_fail "[$arch $round install] exit code $?"
    cmp -s "$system/Brinemere.scr" "$root/build/windows/stripped/$bits-bit/Brinemere.scr" ||
      e2e_fail "[$arch $round install] system32 does not hold the $bits-bit build"
    [ -e "$drive/windows/syswow64/Brinemere.scr" ] &&
      e2e_fail "[$arch $round install] a copy in syswow64"
    [ -f "$programs/Brinemere/Uninstall.exe" ] || e2e_fail "[$arch $round install] no uninstaller"
    expect_value "$round install" "$desktop" SCRNSAVE.EXE "$ours"
    expect_value "$round install" "$desktop" ScreenSaveActive 1
    # The user's saver is kept once, not replaced by ours on the second install.
    expect_value "$round install" 'HKCU\Software\Brinemere' SCRNSAVE.EXE "$theirs"
    expect_value "$round install" "$entry" DisplayName Brinemere
    expect_value "$round install" "$entry" DisplayVersion "$version"
    expect_value "$round install" "$entry" Publisher "The Brinemere authors"
    expect_value "$round install" "$entry" DisplayIcon 'C:\Program Files\Brinemere\Uninstall.exe,0'
    expect_value "$round install" "$entry" QuietUninstallString \
      '"C:\Program Files\Brinemere\Uninstall.exe" /S'
    kib=$((($(stat -c %s "$system/Brinemere.scr") + $(stat -c %s \
      "$programs/Brinemere/Uninstall.exe")) / 1024))
    expect_value "$round install" "$entry" EstimatedSize "$(printf '0x%x' "$kib")"
  done

  # ---- the installed saver runs and ends on Esc ----
  scr=$system/Brinemere.scr
  w32_start_saver /s
  id=$(e2e_wait_window "$title" 30) || e2e_fail "[$arch installed /s] no window"
  e2e_wait_pixel 10 10 "#EF7B02" 15 || e2e_fail "[$arch installed /s] no sea after the splash"
  xdotool mousemove 683 384 key Escape
  w32_expect_clean_exit "$arch installed /s" 5

  # ---- uninstall: everything goes, the user's saver comes back ----
  uninstall uninstall
  expect_uninstalled uninstall
  expect_value uninstall "$desktop" SCRNSAVE.EXE "$theirs"
  expect_value uninstall "$desktop" ScreenSaveActive 0

  # ---- the .scr deleted by hand, another saver chosen: the uninstall ends cleanly ----
  "$wine_run" "$setup" /S || e2e_fail "[$arch reinstall] exit code $?"
  rm "$system/Brinemere.scr"
  timeout 30 wine reg add "$desktop" /v SCRNSAVE.EXE /d 'C:\windows\system32\mine.scr' /f \
    >/dev/null 2>&1 || e2e_fail "[$arch] cannot choose another saver"
  uninstall "deleted by hand"
  expect_uninstalled "deleted by hand"
  expect_value "deleted by hand" "$desktop" SCRNSAVE.EXE 'C:\windows\system32\mine.scr'
  expect_value "deleted by hand" "$desktop" ScreenSaveActive 1
  timeout 60 wineserver -w
done
exit 0
