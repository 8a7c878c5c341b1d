// Windows, messages, timers and threads on real user32 and kernel32 (run under
// Wine): the trampoline reaches the portable procedure, sends from another thread
// are handled on the main thread, the quit code comes back from the loop, timers
// carry their ids, and a killed thread leaves GDI usable.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace {

constexpr std::uint32_t WM_USER_PING = 0x0401;  // WM_USER + 1
constexpr std::uint32_t WM_USER_DONE = 0x0402;
constexpr std::uintptr_t guardTimer = 99;  // ends a loop that waits too long

struct Recorder {
  std::vector<std::uint32_t> messages;
  Handle createdWindow = 0;
  int timerTicks = 0;
  int killAfter = 0;
  int killResult = -1;
  std::uint32_t pingThread = 0;
};
Recorder recorder;

std::uint32_t currentThread() {
  // The thread's identity without <windows.h>: the address of a thread-local.
  thread_local char marker;
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&marker));
}

LResult recordingProc(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  Recorder& r = recorder;
  r.messages.push_back(message);
  switch (message) {
    case WM_CREATE:
      r.createdWindow = window;
      return 0;
    case WM_USER_PING:
      r.pingThread = currentThread();
      return static_cast<LResult>(wParam * 6 + static_cast<WParam>(lParam));
    case WM_USER_DONE:
      platform.postQuitMessage(static_cast<int>(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == guardTimer) {
        platform.postQuitMessage(-1);
      } else if (wParam == 1347 + 255 && ++r.timerTicks == r.killAfter) {
        r.killResult = platform.killTimer(window, wParam);
        platform.postQuitMessage(r.timerTicks);
      }
      return 0;
    default:
      return platform.defWindowProc(window, message, wParam, lParam);
  }
}

// Pumps until WM_QUIT; returns its code.
int runLoop() {
  Message m{};
  while (platform.getMessage(m)) platform.dispatchMessage(m);
  return static_cast<int>(m.wParam);
}

class Win32Messages : public ::testing::Test {
 protected:
  void SetUp() override {
    win32::install();
    recorder = Recorder{};
    static int registered = 0;
    if (!registered) {
      ASSERT_EQ(platform.registerClass(WindowClass{L"BrineTest", 0, 1, 0, 1}, recordingProc), 1);
      registered = 1;
    }
    window = platform.createWindow(L"BrineTest", L"Brine test", WS_POPUP, -1, 0, 64, 48, 0);
    ASSERT_NE(window, 0u);
    ASSERT_EQ(platform.setTimer(window, guardTimer, 10000), 1);
  }
  void TearDown() override {
    platform.killTimer(window, guardTimer);
    platform.destroyWindow(window);
  }
  Handle window = 0;
};

TEST_F(Win32Messages, CreateReachesTheProcedureBeforeCreateWindowReturns) {
  EXPECT_EQ(recorder.createdWindow, window);
  EXPECT_EQ(platform.registerClass(WindowClass{L"BrineTest", 0, 1, 0, 1}, recordingProc), 0)
      << "a class name is registered once";
  Rect r{};
  ASSERT_EQ(platform.getClientRect(window, r), 1);
  EXPECT_EQ(r.right - r.left, 64);
  EXPECT_EQ(r.bottom - r.top, 48);
  EXPECT_EQ(platform.getClientRect(0x7FFFFFF0, r), 0);
  EXPECT_EQ(platform.findWindow(L"Brine test"), window);
  EXPECT_EQ(platform.findWindow(L"no window has this title"), 0u);
  ASSERT_EQ(platform.moveWindow(window, 5, 6, 80, 40, 0), 1);
  ASSERT_EQ(platform.getClientRect(window, r), 1);
  EXPECT_EQ(r.right, 80);
  EXPECT_EQ(platform.bringToTop(window), 1);
}

struct PingResult {
  Handle window;
  LResult reply;
  std::uint32_t thread;
};

std::uint32_t pingBody(void* parameter) {
  auto* ping = static_cast<PingResult*>(parameter);
  ping->thread = currentThread();
  ping->reply = platform.sendMessage(ping->window, WM_USER_PING, 7, 3);
  platform.postMessage(ping->window, WM_USER_DONE, 5, 0);
  return 0;
}

TEST_F(Win32Messages, SendFromAnotherThreadIsHandledOnTheMainThread) {
  PingResult ping{window, 0, 0};
  const Handle thread = platform.createThread(pingBody, &ping);
  ASSERT_NE(thread, 0u);
  EXPECT_EQ(runLoop(), 5);  // the quit code of WM_USER_DONE
  EXPECT_EQ(ping.reply, 45);
  EXPECT_EQ(recorder.pingThread, currentThread());
  EXPECT_NE(ping.thread, currentThread());
  // Same thread: the procedure runs at once.
  EXPECT_EQ(platform.sendMessage(window, WM_USER_PING, 1, 1), 7);
}

TEST_F(Win32Messages, TimersCarryTheirIdAndStopWhenKilled) {
  recorder.killAfter = 3;
  ASSERT_EQ(platform.setTimer(window, 1347 + 255, 5), 1);
  EXPECT_EQ(runLoop(), 3);
  EXPECT_EQ(recorder.killResult, 1);
  EXPECT_EQ(platform.killTimer(window, 1347 + 255), 0) << "already killed";
}

std::atomic<int> spins{0};

std::uint32_t copyForever(void* surface) {
  const Handle s = reinterpret_cast<Handle>(surface);
  for (;;) {
    platform.bitBlt(s, 0, 0, 64, 64, s, 1, 1);
    spins.fetch_add(1);
  }
}

std::uint32_t sleepLong(void*) {
  platform.sleep(60000);
  spins.store(-1000000);
  return 0;
}

TEST_F(Win32Messages, KilledThreadsStopAndLeaveGdiUsable) {
  const Handle screen = platform.getDC(0);
  void* bits = nullptr;
  const Handle surface = platform.createSurface(screen, 64, 64, &bits);
  ASSERT_NE(surface, 0u);
  spins = 0;
  const Handle copier = platform.createThread(copyForever, reinterpret_cast<void*>(surface));
  ASSERT_NE(copier, 0u);
  while (spins.load() < 20) platform.sleep(1);
  EXPECT_EQ(platform.terminateThread(copier), 1);
  const int after = spins.load();
  platform.sleep(30);
  EXPECT_EQ(spins.load(), after) << "the thread still runs";
  // No lock was left held: GDI works from this thread.
  EXPECT_EQ(platform.bitBlt(surface, 0, 0, 8, 8, surface, 8, 8), 1);
  platform.releaseSurface(surface);
  void* more = nullptr;
  const Handle again = platform.createSurface(screen, 16, 16, &more);
  EXPECT_NE(again, 0u);
  platform.releaseSurface(again);
  platform.releaseDC(0, screen);

  spins = 0;
  const Handle sleeper = platform.createThread(sleepLong, nullptr);
  ASSERT_NE(sleeper, 0u);
  EXPECT_EQ(platform.setThreadPriority(sleeper, THREAD_PRIORITY_HIGHEST), 1);
  platform.sleep(20);
  EXPECT_EQ(platform.terminateThread(sleeper), 1);
  EXPECT_EQ(spins.load(), 0) << "a killed sleep does not return";
}

// Allocates and frees without end, with a sleep now and then: most of its time is
// spent inside the heap's lock.
std::uint32_t churnHeap(void*) {
  for (int i = 0;; ++i) {
    std::vector<int>* block = new std::vector<int>(64 + i % 512, i);
    spins.fetch_add(static_cast<int>(block->size() > 0));
    delete block;
    if (i % 64 == 0) platform.sleep(0);
  }
}

std::atomic<int> allocated{0};
std::uint32_t allocateOnce(void*) {
  delete new std::vector<int>(1000, 1);
  allocated.store(1);
  return 0;
}

// A thread killed while it holds the heap's lock would leave every later
// allocation of the process waiting for good (under Wine the lock lives in user
// space): kills wait for a safe point. Checked on a helper thread, within a bound.
TEST_F(Win32Messages, KilledThreadsLeaveTheHeapUsable) {
  for (int round = 0; round < 60; ++round) {
    spins = 0;
    const Handle churner = platform.createThread(churnHeap, nullptr);
    ASSERT_NE(churner, 0u);
    while (spins.load() < 200 + round * 37) platform.sleep(0);
    ASSERT_EQ(platform.terminateThread(churner), 1) << "round " << round;
  }
  allocated = 0;
  const Handle helper = platform.createThread(allocateOnce, nullptr);
  ASSERT_NE(helper, 0u);
  for (int waited = 0; waited < 5000 && !allocated.load(); waited += 10) platform.sleep(10);
  ASSERT_EQ(allocated.load(), 1) << "an allocation still waits for the heap";
}

}  // namespace
