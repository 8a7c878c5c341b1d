#!/usr/bin/env bash
# Brinemere.scr as built, the 32-bit and the 64-bit one: a PE32 i386 or PE32+
# x86-64 GUI program that a bare Windows XP or later can load: it imports only the
# system's own DLLs, and no function newer than XP. Explorer, reading it through
# Windows' own calls, finds the project's version, the names, the copyright line,
# the saver's name in string 1 and the icon.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
. "$root/tests/e2e/win32_lib.sh"
for preset in windows windows64; do
  [ -f "$root/build/$preset/src/Brinemere.scr" ] || e2e_fail "build the $preset preset first"
done
version=$(sed -n 's/^project(Brinemere VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || e2e_fail "no version in CMakeLists.txt"

# Headers and imports: preset, objdump, magic, architecture, word size.
check_headers() {
  local preset=$1 objdump=$2 magic=$3 arch=$4 scr=$root/build/$1/src/Brinemere.scr headers
  headers=$("$objdump" -p "$scr") || e2e_fail "[$preset] objdump cannot read $scr"
  grep -q "^Magic[[:space:]]*$magic" <<<"$headers" || e2e_fail "[$preset] not $magic"
  grep -qi "^Subsystem[[:space:]]*00000002" <<<"$headers" || e2e_fail "[$preset] not a GUI program"
  "$objdump" -f "$scr" | grep -q "architecture: $arch," || e2e_fail "[$preset] not $arch"

  # DLLs every Windows since XP carries.
  local system_dlls="^(gdi32|gdiplus|kernel32|msvcrt|shell32|user32|winmm|ole32|oleaut32"
  system_dlls+="|comdlg32|advapi32)\.dll$"
  while read -r dll; do
    grep -qiE "$system_dlls" <<<"$dll" || e2e_fail "[$preset] imports $dll, not a system DLL"
  done < <(awk '/DLL Name:/{print $3}' <<<"$headers")

  # Functions that came after XP and that toolchains like to pull in.
  local newer="GetTickCount64|InitializeConditionVariable|SleepConditionVariableCS"
  newer+="|WakeConditionVariable|WakeAllConditionVariable|InitializeSRWLock"
  newer+="|AcquireSRWLockExclusive|AcquireSRWLockShared|InitOnceExecuteOnce"
  newer+="|GetSystemTimePreciseAsFileTime|CreateEventExW|CreateMutexExW|CreateSemaphoreExW"
  newer+="|FlsAlloc|FlsGetValue|FlsSetValue|GetFileInformationByHandleEx"
  newer+="|GetCurrentProcessorNumber|InitializeCriticalSectionEx|CompareStringEx|LCMapStringEx"
  local found
  found=$(awk '/^\t[0-9a-f]+[ \t]+[0-9]+[ \t]+[A-Za-z_]/{print $3}' <<<"$headers" |
    grep -xE "$newer")
  [ -z "$found" ] || e2e_fail "[$preset] imports functions newer than XP: $(echo $found)"
}
check_headers windows i686-w64-mingw32-objdump "010b[[:space:]]*(PE32)" i386
check_headers windows64 x86_64-w64-mingw32-objdump "020b[[:space:]]*(PE32+)" i386:x86-64

w32_init "$root"
for bits in 32 64; do
  [ "$bits" = 32 ] || w32_use windows64
  expected="CompanyName|The Brinemere authors
FileDescription|Brinemere screen saver ($bits-bit)
FileVersion|$version
InternalName|Brinemere
LegalCopyright|Copyright (c) 2026 The Brinemere authors
Comments|MIT License
OriginalFilename|Brinemere.scr
ProductName|Brinemere
ProductVersion|$version
Fixed|$version.0
String1|Brinemere
Icons|1"
  got=$(w32_host version "Z:${scr//\//\\}") || e2e_fail "[$w32_preset] no version resource"
  [ "$got" = "$expected" ] || e2e_fail "[$w32_preset] version resource:
$got"
done
exit 0
