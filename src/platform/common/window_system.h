// A small Win32-like window system shared by the SDL and headless backends: window
// records, the message queue with posted and cross-thread sent messages, window
// timers, threads that stop cooperatively, and the main-thread hand-off that keeps
// presentation synchronous.
//
// A backend supplies the native half (Native) and fills the rest of `platform`
// itself; installWindowSystem fills every entry this layer provides.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/platform.h"

namespace emu {

struct Window {
  Handle handle = 0;
  std::wstring className, title;
  std::uint32_t style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  Handle parent = 0;  // ours or a foreign native window
  bool alive = false;
  WindowProcedure procedure = nullptr;
  void* native = nullptr;  // the backend's object
};

struct Native {
  // Main thread: wait at most timeoutMs (-1: no limit) for native events, posting
  // what they mean; returns early after wake().
  void (*wait)(int timeoutMs);
  // Any thread: ends a wait early.
  void (*wake)();
  // Milliseconds for window timers.
  std::uint64_t (*nowMs)();
  // Creates and destroys the native side of a window (main thread); 1 or 0.
  int (*create)(Window& window);
  void (*destroy)(Window& window);
  // Client rectangle of a window that is not ours (a preview host); 1 or 0.
  int (*foreignClientRect)(Handle window, Rect& rect);
  // Sleep of the calling thread; returns early (and the caller stops) on stop().
  void (*sleep)(std::uint32_t milliseconds);
};

void installWindowSystem(const Native& native);

// The time entries of a backend with neither a performance counter nor a vertical
// blank (headless, web): pacing runs on the native millisecond clock.
void installMillisecondClock();

// Forgets every window, message, timer and thread (tests start from nothing).
void resetWindowSystem();

// The window record of a handle of ours, or null.
Window* findWindowRecord(Handle handle);

// Marks a window as needing WM_PAINT (an expose).
void invalidate(Handle window);

// The first live window without a parent (the main window), or 0.
Handle firstTopLevelWindow();

// Posts a message from any thread (also used for native events).
void post(Handle window, std::uint32_t message, WParam wParam, LParam lParam);

// Runs `work` on the main thread and waits for it; runs at once on the main thread.
// Throws the stop signal when the calling thread is stopped while it waits.
void runOnMain(const std::function<void()>& work);

// Marks the calling thread as the main thread.
void becomeMainThread();
bool onMainThread();

// Stop signal of a thread started by createThread. checkStop throws it when the
// calling thread has been asked to stop; the thread's body ends there.
struct ThreadStop {};
void checkStop();
bool stopRequested();
// Waits on the calling thread's stop flag for at most ms milliseconds; true when a
// stop came. Used by sleeps so that a stop ends them early.
bool waitForStop(std::uint32_t milliseconds);

}  // namespace emu
