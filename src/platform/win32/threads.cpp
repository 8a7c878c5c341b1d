// Threads, clocks and the vertical blank: kernel32, ntdll, winmm and DirectDraw.
//
// DirectDraw is loaded at run time: a system without ddraw.dll (or without a
// DirectDraw device) only fails createVerticalBlank, and pacing falls back to the
// performance counter.

#include "platform/win32/backend.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

// After <windows.h>, which they need.
#include <ddraw.h>
#include <mmsystem.h>

namespace win32 {
namespace {

using DirectDrawCreateFunction = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);

struct ThreadState {
  CRITICAL_SECTION gate;
  HMODULE ddraw;         // loaded on first use, kept
  IDirectDraw* display;  // the vertical-blank object; process thread only
};
ThreadState state;

HANDLE handleOf(Handle h) { return reinterpret_cast<HANDLE>(h); }

// ---- threads ------------------------------------------------------------------

// The portable body has no WINAPI calling convention: start it from a trampoline.
struct ThreadStart {
  ThreadBody body;
  void* parameter;
};

DWORD WINAPI threadEntry(LPVOID parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  return start.body(start.parameter);
}

Handle createThread(ThreadBody body, void* parameter) {
  auto* start = new ThreadStart{body, parameter};
  DWORD id = 0;
  const HANDLE thread = CreateThread(nullptr, 0, threadEntry, start, 0, &id);
  if (!thread) delete start;
  return reinterpret_cast<Handle>(thread);
}

// Kills the thread outside any gated call and waits until it is gone, so the
// window it drew into can be destroyed right after.
int terminateThread(Handle thread) {
  GateGuard gate;
  const BOOL done = TerminateThread(handleOf(thread), 0);
  if (done) WaitForSingleObject(handleOf(thread), 2000);
  return done ? 1 : 0;
}

int setThreadPriority(Handle thread, int priority) {
  return SetThreadPriority(handleOf(thread), priority) ? 1 : 0;
}

// Sleep(0) only yields, and on an idle core returns at once: the pacing's last
// millisecond, which polls the counter with it, would keep the core busy for it.
// Where the system can sleep a tenth of a millisecond (Wine can, Windows rounds
// every sleep up to its timer tick), sleep(0) does that instead, which gives the
// core away and still ends the frame close to its deadline. The first call finds
// out: the quickest of three such sleeps must end within half a millisecond.
using DelayExecution = LONG(WINAPI*)(BOOLEAN, LARGE_INTEGER*);
constexpr LONGLONG shortSleep = -1000;  // relative, in 100 ns units
std::atomic<int> shortSleepWorks{-1};   // -1 until the first sleep(0) has found out

DelayExecution findShortSleep() {
  static const DelayExecution delay = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<DelayExecution>(
                       reinterpret_cast<void*>(GetProcAddress(ntdll, "NtDelayExecution")))
                 : nullptr;
  }();
  return delay;
}

bool shortSleepIsShort(DelayExecution delay) {
  LARGE_INTEGER frequency, before, after, due;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return false;
  LONGLONG quickest = frequency.QuadPart;
  for (int i = 0; i < 3; ++i) {
    due.QuadPart = shortSleep;
    QueryPerformanceCounter(&before);
    if (delay(FALSE, &due) != 0) return false;
    QueryPerformanceCounter(&after);
    quickest = std::min(quickest, after.QuadPart - before.QuadPart);
  }
  return quickest * 2000 < frequency.QuadPart;
}

void sleep(std::uint32_t milliseconds) {
  if (milliseconds == 0) {
    const DelayExecution delay = findShortSleep();
    if (delay && shortSleepWorks.load() < 0) shortSleepWorks = shortSleepIsShort(delay) ? 1 : 0;
    if (shortSleepWorks.load() == 1) {
      LARGE_INTEGER due;
      due.QuadPart = shortSleep;
      delay(FALSE, &due);
      return;
    }
  }
  Sleep(milliseconds);
}

// ---- clocks -------------------------------------------------------------------

std::uint32_t getTime() { return timeGetTime(); }

void beginPeriod(std::uint32_t milliseconds) { timeBeginPeriod(milliseconds); }

int queryFrequency(std::int64_t& frequency) {
  LARGE_INTEGER f;
  const BOOL ok = QueryPerformanceFrequency(&f);
  frequency = ok ? f.QuadPart : 0;
  return ok ? 1 : 0;
}

int queryCounter(std::int64_t& counter) {
  LARGE_INTEGER c;
  const BOOL ok = QueryPerformanceCounter(&c);
  counter = ok ? c.QuadPart : 0;
  return ok ? 1 : 0;
}

int systemMajorVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExW(&info) ? static_cast<int>(info.dwMajorVersion) : 0;
}

// ---- the vertical blank ----------------------------------------------------------

int createVerticalBlank() {
  GateGuard gate;
  if (state.display) return 1;
  if (!state.ddraw) state.ddraw = LoadLibraryW(L"ddraw.dll");
  if (!state.ddraw) return 0;
  const auto create = reinterpret_cast<DirectDrawCreateFunction>(
      reinterpret_cast<void*>(GetProcAddress(state.ddraw, "DirectDrawCreate")));
  if (!create) return 0;
  IDirectDraw* display = nullptr;
  if (create(nullptr, &display, nullptr) != DD_OK || !display) return 0;
  state.display = display;
  return 1;
}

int waitVerticalBlank() {
  GateGuard gate;
  if (!state.display) return 0;
  return state.display->WaitForVerticalBlank(DDWAITVB_BLOCKEND, nullptr) == DD_OK ? 1 : 0;
}

void releaseVerticalBlank() {
  GateGuard gate;
  if (!state.display) return;
  state.display->Release();
  state.display = nullptr;
}

}  // namespace

void enterGate() { EnterCriticalSection(&state.gate); }
void leaveGate() { LeaveCriticalSection(&state.gate); }

void installThreads(Platform& p) {
  static const bool gateReady = (InitializeCriticalSection(&state.gate), true);
  (void)gateReady;
  p.createThread = createThread;
  p.terminateThread = terminateThread;
  p.setThreadPriority = setThreadPriority;
  p.sleep = sleep;
  p.timeGetTime = getTime;
  p.timeBeginPeriod = beginPeriod;
  p.queryPerformanceFrequency = queryFrequency;
  p.queryPerformanceCounter = queryCounter;
  p.systemMajorVersion = systemMajorVersion;
  p.createVerticalBlank = createVerticalBlank;
  p.waitVerticalBlank = waitVerticalBlank;
  p.releaseVerticalBlank = releaseVerticalBlank;
}

}  // namespace win32
