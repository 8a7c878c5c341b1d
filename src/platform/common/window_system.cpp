// The shared window system of the SDL and headless backends.
//
// Like Win32, WM_PAINT and WM_TIMER are not queued: they are made when the queue
// is empty, from the windows' invalid flags and the timers' due times. WM_QUIT is a
// flag too, taken once the queue has drained. A message sent from another thread
// becomes a queued piece of work that the main thread runs while the sender waits.

#include "platform/common/window_system.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace emu {
namespace {

struct SyncCall {
  std::function<void()> work;
  bool done = false;
  bool abandoned = false;  // the sender was stopped; its captures are gone
};

struct Item {
  Message message{};
  std::shared_ptr<SyncCall> call;  // set for work from another thread
};

struct ClassRecord {
  std::wstring name;
  WindowProcedure procedure;
};

struct TimerRecord {
  Handle window;
  std::uintptr_t id;
  std::uint32_t interval;
  std::uint64_t due;
};

struct ThreadRecord {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable wakeUp;
  bool stop = false;
  bool finished = false;
};

struct State {
  std::mutex mutex;
  std::condition_variable callDone;
  std::deque<Item> queue;
  std::vector<std::unique_ptr<Window>> windows;
  std::vector<bool> invalid;  // per window: WM_PAINT pending
  std::vector<ClassRecord> classes;
  std::vector<TimerRecord> timers;
  bool quitPosted = false;
  int quitCode = 0;
  std::thread::id mainThread;
  std::vector<std::unique_ptr<ThreadRecord>> threads;
  Native native{};
};

State& state() {
  static State s;
  return s;
}

thread_local ThreadRecord* currentThread = nullptr;

constexpr Handle firstHandle = 0x10010;  // never 0, never a small number
constexpr std::uint32_t minimumTimerMs = 10;

std::size_t indexOf(Handle handle) { return (handle - firstHandle) / 4; }

Window* lockedFind(State& s, Handle handle) {
  if (handle < firstHandle || (handle - firstHandle) % 4) return nullptr;
  const std::size_t i = indexOf(handle);
  if (i >= s.windows.size() || !s.windows[i]->alive) return nullptr;
  return s.windows[i].get();
}

LResult deliver(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  WindowProcedure procedure;
  {
    State& s = state();
    std::lock_guard lock(s.mutex);
    Window* w = lockedFind(s, window);
    if (!w) return 0;
    procedure = w->procedure;
  }
  return procedure(window, message, wParam, lParam);
}

// ---- platform entries -------------------------------------------------------

int registerClass(const WindowClass& windowClass, WindowProcedure procedure) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  for (const ClassRecord& c : s.classes) {
    if (c.name == windowClass.name) return 0;  // already registered, as on Windows
  }
  s.classes.push_back({windowClass.name, procedure});
  return 1;
}

Handle createWindow(const wchar_t* className, const wchar_t* title, std::uint32_t style, int x,
                    int y, int width, int height, Handle parent) {
  State& s = state();
  Window* w;
  {
    std::lock_guard lock(s.mutex);
    WindowProcedure procedure = nullptr;
    for (const ClassRecord& c : s.classes) {
      if (c.name == className) procedure = c.procedure;
    }
    if (!procedure) return 0;
    auto record = std::make_unique<Window>();
    record->handle = firstHandle + 4 * s.windows.size();
    record->className = className;
    record->title = title ? title : L"";
    record->style = style;
    record->x = x;
    record->y = y;
    record->width = width < 0 ? 0 : width;
    record->height = height < 0 ? 0 : height;
    record->parent = parent;
    record->procedure = procedure;
    w = record.get();
    s.windows.push_back(std::move(record));
    s.invalid.push_back(false);
  }
  if (!s.native.create(*w)) return 0;
  {
    std::lock_guard lock(s.mutex);
    w->alive = true;
    if (style & WS_VISIBLE) s.invalid[indexOf(w->handle)] = true;
  }
  w->procedure(w->handle, WM_CREATE, 0, 0);
  return w->handle;
}

void showWindow(Handle window, int) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (lockedFind(s, window)) s.invalid[indexOf(window)] = true;
}

void updateWindow(Handle window) {
  State& s = state();
  bool paint = false;
  {
    std::lock_guard lock(s.mutex);
    paint = lockedFind(s, window) && s.invalid[indexOf(window)];
  }
  if (paint) deliver(window, WM_PAINT, 0, 0);
}

int destroyWindow(Handle window) {
  State& s = state();
  Window* w;
  {
    std::lock_guard lock(s.mutex);
    w = lockedFind(s, window);
    if (!w) return 0;
  }
  // Children go first, as on Windows.
  std::vector<Handle> children;
  {
    std::lock_guard lock(s.mutex);
    for (auto& c : s.windows) {
      if (c->alive && c->parent == window) children.push_back(c->handle);
    }
  }
  for (Handle c : children) destroyWindow(c);
  w->procedure(window, WM_DESTROY, 0, 0);
  s.native.destroy(*w);
  std::lock_guard lock(s.mutex);
  w->alive = false;
  s.invalid[indexOf(window)] = false;
  std::erase_if(s.timers, [window](const TimerRecord& t) { return t.window == window; });
  return 1;
}

// Asks every thread left to stop at its next wait point and waits for each: no
// thread may outlive the run and touch state that is being torn down.
void stopAllThreads() {
  State& s = state();
  std::vector<std::unique_ptr<ThreadRecord>> threads;
  {
    std::lock_guard lock(s.mutex);
    threads.swap(s.threads);
  }
  for (auto& t : threads) {
    {
      std::lock_guard lock(t->mutex);
      t->stop = true;
    }
    t->wakeUp.notify_all();
    {
      std::lock_guard lock(s.mutex);
      s.callDone.notify_all();
    }
    if (s.native.wake) s.native.wake();
    if (t->thread.joinable()) t->thread.join();
  }
}

int getMessage(Message& message) {
  State& s = state();
  std::unique_lock lock(s.mutex);
  for (;;) {
    if (!s.queue.empty()) {
      Item item = std::move(s.queue.front());
      s.queue.pop_front();
      if (item.call) {
        if (!item.call->abandoned) {
          lock.unlock();
          item.call->work();
          lock.lock();
        }
        item.call->done = true;
        s.callDone.notify_all();
        continue;
      }
      message = item.message;
      return 1;
    }
    if (s.quitPosted) {
      s.quitPosted = false;
      message = Message{0, WM_QUIT, static_cast<WParam>(s.quitCode), 0};
      lock.unlock();
      stopAllThreads();
      return 0;
    }
    for (std::size_t i = 0; i < s.invalid.size(); ++i) {
      if (s.invalid[i]) {
        // Stays invalid until BeginPaint validates it, as on Windows.
        message = Message{s.windows[i]->handle, WM_PAINT, 0, 0};
        return 1;
      }
    }
    const std::uint64_t now = s.native.nowMs();
    int timeout = -1;
    for (TimerRecord& t : s.timers) {
      if (t.due <= now) {
        t.due = now + t.interval;
        message = Message{t.window, WM_TIMER, t.id, 0};
        return 1;
      }
      const std::uint64_t left = t.due - now;
      if (timeout < 0 || left < static_cast<std::uint64_t>(timeout))
        timeout = static_cast<int>(left);
    }
    lock.unlock();
    s.native.wait(timeout);
    lock.lock();
  }
}

void dispatchMessage(const Message& message) {
  if (message.window) deliver(message.window, message.message, message.wParam, message.lParam);
}

LResult defWindowProc(Handle window, std::uint32_t message, WParam, LParam) {
  if (message == WM_CLOSE) destroyWindow(window);
  return 0;
}

void postQuitMessage(int exitCode) {
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    s.quitPosted = true;
    s.quitCode = exitCode;
  }
  s.native.wake();
}

LResult sendMessage(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  if (onMainThread()) return deliver(window, message, wParam, lParam);
  // The result lives with the call, not on the sender's stack: a sender stopped
  // while the main thread handles its message (a WM_CLOSE that terminates it) is
  // gone by the time the handler returns.
  const auto result = std::make_shared<LResult>(0);
  runOnMain([=] { *result = deliver(window, message, wParam, lParam); });
  return *result;
}

int postMessage(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  post(window, message, wParam, lParam);
  return 1;
}

int setTimer(Handle window, std::uintptr_t id, std::uint32_t milliseconds) {
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (!lockedFind(s, window)) return 0;
    const std::uint32_t interval = std::max(milliseconds, minimumTimerMs);
    const std::uint64_t due = s.native.nowMs() + interval;
    bool replaced = false;
    for (TimerRecord& t : s.timers) {
      if (t.window == window && t.id == id) {
        t.interval = interval;
        t.due = due;
        replaced = true;
      }
    }
    if (!replaced) s.timers.push_back({window, id, interval, due});
  }
  s.native.wake();
  return 1;
}

int killTimer(Handle window, std::uintptr_t id) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  const std::size_t before = s.timers.size();
  std::erase_if(s.timers, [&](const TimerRecord& t) { return t.window == window && t.id == id; });
  return s.timers.size() != before ? 1 : 0;
}

Handle findWindow(const wchar_t* title) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  for (auto& w : s.windows) {
    if (w->alive && w->parent == 0 && w->title == title) return w->handle;
  }
  return 0;
}

int getClientRect(Handle window, Rect& rect) {
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (Window* w = lockedFind(s, window)) {
      rect = Rect{0, 0, w->width, w->height};
      return 1;
    }
  }
  return s.native.foreignClientRect ? s.native.foreignClientRect(window, rect) : 0;
}

int moveWindow(Handle window, int x, int y, int width, int height, int) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  Window* w = lockedFind(s, window);
  if (!w) return 0;
  w->x = x;
  w->y = y;
  w->width = width;
  w->height = height;
  return 1;
}

Handle beginPaint(Handle window) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!lockedFind(s, window)) return 0;
  s.invalid[indexOf(window)] = false;
  return window;  // the window's handle doubles as its device context
}

Handle createThread(ThreadBody body, void* parameter) {
  State& s = state();
  auto record = std::make_unique<ThreadRecord>();
  ThreadRecord* r = record.get();
  r->thread = std::thread([r, body, parameter] {
    currentThread = r;
    try {
      body(parameter);
    } catch (const ThreadStop&) {
      // Stopped at a wait point: the thread ends here, as if terminated.
    }
    std::lock_guard lock(r->mutex);
    r->finished = true;
  });
  std::lock_guard lock(s.mutex);
  s.threads.push_back(std::move(record));
  return reinterpret_cast<Handle>(r);
}

int terminateThread(Handle thread) {
  State& s = state();
  ThreadRecord* r = nullptr;
  {
    std::lock_guard lock(s.mutex);
    for (auto& t : s.threads) {
      if (reinterpret_cast<Handle>(t.get()) == thread) r = t.get();
    }
  }
  if (!r || r == currentThread) return 0;
  {
    std::lock_guard lock(r->mutex);
    r->stop = true;
  }
  r->wakeUp.notify_all();
  {
    // Wakes a sender waiting for the main thread (which is us, so it never will).
    std::lock_guard lock(s.mutex);
    s.callDone.notify_all();
  }
  s.native.wake();
  if (r->thread.joinable()) r->thread.join();
  return 1;
}

int setThreadPriority(Handle, int) { return 1; }

void sleep(std::uint32_t milliseconds) { state().native.sleep(milliseconds); }

}  // namespace

void installWindowSystem(const Native& native) {
  state().native = native;
  becomeMainThread();
  platform.registerClass = registerClass;
  platform.createWindow = createWindow;
  platform.showWindow = showWindow;
  platform.updateWindow = updateWindow;
  platform.destroyWindow = destroyWindow;
  platform.getMessage = getMessage;
  platform.dispatchMessage = dispatchMessage;
  platform.defWindowProc = defWindowProc;
  platform.postQuitMessage = postQuitMessage;
  platform.sendMessage = sendMessage;
  platform.postMessage = postMessage;
  platform.setTimer = setTimer;
  platform.killTimer = killTimer;
  platform.findWindow = findWindow;
  platform.getClientRect = getClientRect;
  platform.bringToTop = [](Handle window) { return findWindowRecord(window) ? 1 : 0; };
  platform.moveWindow = moveWindow;
  platform.beginPaint = beginPaint;
  platform.endPaint = [](Handle) {};
  platform.getDC = [](Handle window) -> Handle { return findWindowRecord(window) ? window : 0; };
  platform.releaseDC = [](Handle, Handle) { return 1; };
  platform.createThread = createThread;
  platform.terminateThread = terminateThread;
  platform.setThreadPriority = setThreadPriority;
  platform.sleep = sleep;
}

void installMillisecondClock() {
  platform.timeGetTime = [] { return static_cast<std::uint32_t>(state().native.nowMs()); };
  platform.timeBeginPeriod = [](std::uint32_t) {};
  platform.queryPerformanceFrequency = [](std::int64_t& f) {
    f = 0;
    return 0;
  };
  platform.queryPerformanceCounter = [](std::int64_t& c) {
    c = static_cast<std::int64_t>(state().native.nowMs());
    return 0;
  };
  platform.systemMajorVersion = [] { return 6; };
  platform.createVerticalBlank = [] { return 0; };
  platform.waitVerticalBlank = [] { return 0; };
  platform.releaseVerticalBlank = [] {};
}

void resetWindowSystem() {
  State& s = state();
  stopAllThreads();
  std::lock_guard lock(s.mutex);
  s.queue.clear();
  s.windows.clear();
  s.invalid.clear();
  s.classes.clear();
  s.timers.clear();
  s.quitPosted = false;
  s.quitCode = 0;
}

Window* findWindowRecord(Handle handle) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return lockedFind(s, handle);
}

void invalidate(Handle window) {
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (lockedFind(s, window)) s.invalid[indexOf(window)] = true;
  }
  s.native.wake();
}

Handle firstTopLevelWindow() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  for (auto& w : s.windows) {
    if (w->alive && w->parent == 0) return w->handle;
  }
  return 0;
}

void post(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    Item item;
    item.message = Message{window, message, wParam, lParam};
    s.queue.push_back(std::move(item));
  }
  s.native.wake();
}

void runOnMain(const std::function<void()>& work) {
  if (onMainThread()) {
    work();
    return;
  }
  State& s = state();
  auto call = std::make_shared<SyncCall>();
  call->work = work;
  {
    std::lock_guard lock(s.mutex);
    Item item;
    item.call = call;
    s.queue.push_back(std::move(item));
  }
  s.native.wake();
  std::unique_lock lock(s.mutex);
  s.callDone.wait(lock, [&] { return call->done || stopRequested(); });
  if (!call->done) {
    call->abandoned = true;
    throw ThreadStop{};
  }
}

void becomeMainThread() { state().mainThread = std::this_thread::get_id(); }

bool onMainThread() { return std::this_thread::get_id() == state().mainThread; }

bool stopRequested() {
  ThreadRecord* r = currentThread;
  if (!r) return false;
  std::lock_guard lock(r->mutex);
  return r->stop;
}

void checkStop() {
  if (stopRequested()) throw ThreadStop{};
}

bool waitForStop(std::uint32_t milliseconds) {
  ThreadRecord* r = currentThread;
  if (!r) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return false;
  }
  std::unique_lock lock(r->mutex);
  return r->wakeUp.wait_for(lock, std::chrono::milliseconds(milliseconds), [r] { return r->stop; });
}

}  // namespace emu
