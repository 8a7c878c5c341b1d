// Windows XP support. The posix-threads runtime (winpthreads, linked statically)
// imports GetTickCount64, which XP's kernel32 lacks, and a program with an import
// that cannot be resolved does not load at all. We define that import's slot
// ourselves, so the program imports nothing newer than XP: the slot points at a
// function that calls the real GetTickCount64 where it exists and otherwise widens
// GetTickCount, counting its wraps. The link pulls this file in first by naming
// the slot as undefined (see src/platform/CMakeLists.txt).

#include <windows.h>

namespace {

using TickFunction = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI widenedTickCount() {
  // Called often enough (waits of well under 49.7 days) to see every wrap.
  static volatile LONG high = 0;
  static volatile LONG lastLow = 0;
  const DWORD low = GetTickCount();
  const DWORD previous = static_cast<DWORD>(InterlockedExchange(&lastLow, static_cast<LONG>(low)));
  if (low < previous) InterlockedIncrement(&high);
  return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

ULONGLONG WINAPI tickCount64() {
  static TickFunction resolved = nullptr;
  if (!resolved) {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const FARPROC real = kernel ? GetProcAddress(kernel, "GetTickCount64") : nullptr;
    resolved =
        real ? reinterpret_cast<TickFunction>(reinterpret_cast<void*>(real)) : widenedTickCount;
  }
  return resolved();
}

}  // namespace

// The import slot, named as the import library names it: x86-64 has one calling
// convention and no decoration.
#ifdef _WIN64
#define BRINE_TICK_SLOT "__imp_GetTickCount64"
#else
#define BRINE_TICK_SLOT "__imp__GetTickCount64@0"
#endif
extern "C" {
extern void* const getTickCount64Slot __asm__(BRINE_TICK_SLOT);
void* const getTickCount64Slot = reinterpret_cast<void*>(tickCount64);
}
