#!/usr/bin/env bash
# Brinemere.scr as built: a PE32 i386 GUI program that a bare Windows XP or later
# can load: it imports only the system's own DLLs, and no function newer than XP.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
. "$root/tests/e2e/lib.sh"
scr=$root/build/windows/src/Brinemere.scr
[ -f "$scr" ] || e2e_fail "build the windows preset first"

headers=$(i686-w64-mingw32-objdump -p "$scr") || e2e_fail "objdump cannot read $scr"
grep -q "^Magic[[:space:]]*010b[[:space:]]*(PE32)" <<<"$headers" || e2e_fail "not PE32"
grep -qi "^Subsystem[[:space:]]*00000002" <<<"$headers" || e2e_fail "not a GUI program"
i686-w64-mingw32-objdump -f "$scr" | grep -q "architecture: i386," || e2e_fail "not i386"

# DLLs every Windows since XP carries.
system_dlls="^(gdi32|gdiplus|kernel32|msvcrt|shell32|user32|winmm|ole32|oleaut32|comdlg32|advapi32)\.dll$"
while read -r dll; do
  grep -qiE "$system_dlls" <<<"$dll" || e2e_fail "imports $dll, which is not a system DLL"
done < <(awk '/DLL Name:/{print $3}' <<<"$headers")

# Functions that came after XP and that toolchains like to pull in.
newer="GetTickCount64|InitializeConditionVariable|SleepConditionVariableCS|WakeConditionVariable"
newer+="|WakeAllConditionVariable|InitializeSRWLock|AcquireSRWLockExclusive|AcquireSRWLockShared"
newer+="|InitOnceExecuteOnce|GetSystemTimePreciseAsFileTime|CreateEventExW|CreateMutexExW"
newer+="|CreateSemaphoreExW|FlsAlloc|FlsGetValue|FlsSetValue|GetFileInformationByHandleEx"
newer+="|GetCurrentProcessorNumber|InitializeCriticalSectionEx|CompareStringEx|LCMapStringEx"
found=$(awk '/^\t[0-9a-f]+[ \t]+[0-9]+[ \t]+[A-Za-z_]/{print $3}' <<<"$headers" | grep -xE "$newer")
[ -z "$found" ] || e2e_fail "imports functions newer than XP: $(echo $found)"
exit 0
