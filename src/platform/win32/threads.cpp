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

// A thread of createThread: whether it waits at a safe point, and whether it is
// asked to stop. Found by its id from inside, by its handle from terminateThread.
struct ThreadRecord {
  std::atomic<DWORD> id{0};  // 0: a free record
  HANDLE handle = nullptr;   // as createThread returned it
  std::atomic<int> safe{0};
  std::atomic<int> stop{0};
};
constexpr int maxThreadRecords = 32;

struct ThreadState {
  CRITICAL_SECTION gate;
  HMODULE ddraw;         // loaded on first use, kept
  IDirectDraw* display;  // the vertical-blank object; process thread only
  HANDLE parked;         // set by a thread that parks when asked to stop
  ThreadRecord threads[maxThreadRecords];
};
ThreadState state;

HANDLE handleOf(Handle h) { return reinterpret_cast<HANDLE>(h); }

// ---- threads ------------------------------------------------------------------

ThreadRecord* recordOf(DWORD id) {
  for (ThreadRecord& r : state.threads) {
    if (r.id.load() == id) return &r;
  }
  return nullptr;
}

// Waits here for good, holding nothing, until terminateThread kills the thread.
[[noreturn]] void park(ThreadRecord& self) {
  self.safe.store(1);
  SetEvent(state.parked);
  for (;;) Sleep(INFINITE);
}

// A safe point: the calling thread (its record, if it has one) parks if it is
// asked to stop.
void parkIfStopping(ThreadRecord* self) {
  if (self && self->stop.load()) park(*self);
}

// The portable body has no WINAPI calling convention: start it from a trampoline.
struct ThreadStart {
  ThreadBody body;
  void* parameter;
};

DWORD WINAPI threadEntry(LPVOID parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  const DWORD result = start.body(start.parameter);
  if (ThreadRecord* self = recordOf(GetCurrentThreadId())) self->id.store(0);
  return result;
}

// The record is claimed before the thread runs (suspended until then), so that
// the thread finds it from its first call.
Handle createThread(ThreadBody body, void* parameter) {
  auto* start = new ThreadStart{body, parameter};
  DWORD id = 0;
  const HANDLE thread = CreateThread(nullptr, 0, threadEntry, start, CREATE_SUSPENDED, &id);
  if (!thread) {
    delete start;
    return 0;
  }
  for (ThreadRecord& r : state.threads) {
    DWORD free = 0;
    if (r.id.compare_exchange_strong(free, id)) {
      r.handle = thread;
      r.safe.store(0);
      r.stop.store(0);
      break;
    }
  }
  ResumeThread(thread);
  return reinterpret_cast<Handle>(thread);
}

// Asks the thread to stop at a safe point (see SafeWait), then kills it outside
// any gated call and waits until it is gone, so the window it drew into can be
// destroyed right after.
int terminateThread(Handle thread) {
  const HANDLE h = handleOf(thread);
  ThreadRecord* target = nullptr;
  for (ThreadRecord& r : state.threads) {
    if (r.id.load() && r.handle == h && r.id.load() != GetCurrentThreadId()) target = &r;
  }
  if (target) {
    ResetEvent(state.parked);
    target->stop.store(1);
    if (!target->safe.load()) {
      const HANDLE waits[2] = {state.parked, h};
      WaitForMultipleObjects(2, waits, FALSE, 500);
    }
  }
  GateGuard gate;
  const BOOL done = TerminateThread(h, 0);
  if (done) WaitForSingleObject(h, 2000);
  if (target) target->id.store(0);
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

// Only the waits themselves are safe points: finding the short sleep loads from
// ntdll under the loader's lock.
void sleep(std::uint32_t milliseconds) {
  if (milliseconds == 0) {
    const DelayExecution delay = findShortSleep();
    if (delay && shortSleepWorks.load() < 0) shortSleepWorks = shortSleepIsShort(delay) ? 1 : 0;
    if (shortSleepWorks.load() == 1) {
      LARGE_INTEGER due;
      due.QuadPart = shortSleep;
      SafeWait waiting;
      delay(FALSE, &due);
      return;
    }
  }
  SafeWait waiting;
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

void enterGate() {
  parkIfStopping(recordOf(GetCurrentThreadId()));
  EnterCriticalSection(&state.gate);
}
void leaveGate() { LeaveCriticalSection(&state.gate); }

// A thread asked to stop parks on the way in; one asked while it waits inside is
// killed there. Nested waits keep the outer one's mark.
SafeWait::SafeWait() {
  ThreadRecord* self = recordOf(GetCurrentThreadId());
  if (!self) return;
  self->safe.fetch_add(1);
  parkIfStopping(self);
}
SafeWait::~SafeWait() {
  if (ThreadRecord* self = recordOf(GetCurrentThreadId())) self->safe.fetch_sub(1);
}

void installThreads(Platform& p) {
  static const bool gateReady = (InitializeCriticalSection(&state.gate), true);
  (void)gateReady;
  if (!state.parked) state.parked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
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
