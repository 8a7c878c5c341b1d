// The headless backend.
//
// Virtual time: the process thread's sleeps advance the clock; each then waits
// until the main thread has gone idle at the new time (every timer that fell due
// handled, the queue empty). Posted input is handled before the poster goes on in
// the same way. Nothing depends on the real clock, so frames repeat exactly.

#include "platform/headless/headless.h"

#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/common/resources.h"
#include "platform/common/surface_memory.h"
#include "platform/headless/io.h"
#ifdef _WIN32
#include <io.h>
#include "platform/win32/files.h"
#include "platform/win32/pictures.h"
#else
#include "platform/codecs/codecs.h"
#include "platform/common/posix_files.h"
#endif
#include "platform/common/window_system.h"
#ifndef _WIN32
#include <unistd.h>
#endif

namespace headless {
namespace {

struct State {
  Options options;
  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t now = 0;
  std::uint64_t seenNow = 0;  // the time the main thread last looked at
  std::uint64_t idleAt = 0;   // the main thread was idle with this time handled
  bool mainIdle = false;      // the main thread waits with nothing left to do
  bool woken = false;
  int frames = 0;
  int cursorCount = 0;
  std::map<Handle, std::unique_ptr<emu::Canvas>> canvases;
  std::vector<std::wstring> boxes;
};

State& state() {
  static State s;
  return s;
}

// Waits until the main thread is idle with everything up to time `at` handled and
// nothing posted since. Returns at once on the main thread, which has nobody to
// wait for.
void waitForMainIdle(std::unique_lock<std::mutex>& lock, std::uint64_t at) {
  if (emu::onMainThread()) return;
  State& s = state();
  s.changed.wait(
      lock, [&] { return (s.mainIdle && !s.woken && s.idleAt >= at) || emu::stopRequested(); });
}

void nativeWait(int) {
  State& s = state();
  std::unique_lock lock(s.mutex);
  if (s.woken || s.now != s.seenNow) {
    s.woken = false;
    return;
  }
  s.idleAt = s.seenNow;
  s.mainIdle = true;
  s.changed.notify_all();
  s.changed.wait(lock, [&] { return s.woken || s.now != s.seenNow; });
  s.mainIdle = false;
  s.woken = false;
}

void nativeWake() {
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    s.woken = true;
  }
  s.changed.notify_all();
}

std::uint64_t nativeNow() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (emu::onMainThread()) s.seenNow = s.now;
  return s.now;
}

int nativeCreate(emu::Window& window) {
  State& s = state();
  auto canvas = std::make_unique<emu::Canvas>();
  canvas->resize(window.width, window.height);
  std::lock_guard lock(s.mutex);
  s.canvases[window.handle] = std::move(canvas);
  return 1;
}

void nativeDestroy(emu::Window& window) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.canvases.erase(window.handle);
}

void nativeSleep(std::uint32_t milliseconds) {
  emu::checkStop();
  State& s = state();
  {
    std::unique_lock lock(s.mutex);
    s.now += milliseconds;
    s.changed.notify_all();
    waitForMainIdle(lock, s.now);
  }
  emu::checkStop();
}

emu::Canvas* canvasOf(Handle window) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  auto it = s.canvases.find(window);
  return it == s.canvases.end() ? nullptr : it->second.get();
}

// A copy to a window from the process thread is a frame: counted, and handed to
// the onPresent hook.
void frameShown() {
  State& s = state();
  if (emu::onMainThread()) return;
  int frame;
  {
    std::lock_guard lock(s.mutex);
    frame = s.frames++;
  }
  if (s.options.onPresent) {
    s.options.onPresent(frame);
    // Input posted by the hook is handled before the next frame is drawn.
    std::unique_lock lock(s.mutex);
    waitForMainIdle(lock, s.now);
  }
  emu::checkStop();
}

// Copies a block of the surface to the same place of a canvas; a large one on two
// threads when the options ask for it. At 7680x4320 the copy took a fifth of the
// frame renderer's time on one thread, while the drawing threads stood idle.
void copyBlock(const emu::Surface& source, int x, int y, int width, int height, emu::Canvas& canvas,
               int toX, int toY) {
  const int half = height / 2;
  if (state().options.copyThreads > 1 && std::int64_t{width} * height >= (1 << 20)) {
    try {
      std::thread lower([&] {
        emu::copyToCanvas(source, x, y + half, width, height - half, canvas, toX, toY + half);
      });
      emu::copyToCanvas(source, x, y, width, half, canvas, toX, toY);
      lower.join();
      return;
    } catch (const std::system_error&) {
      // No second thread: the whole block below.
    }
  }
  emu::copyToCanvas(source, x, y, width, height, canvas, toX, toY);
}

int bitBlt(Handle dc, int x, int y, int width, int height, Handle surface, int sourceX,
           int sourceY) {
  emu::checkStop();
  emu::Canvas* canvas = canvasOf(dc);
  {
    const emu::LockedSurface source(surface);
    if (!canvas || !source) return 0;
    copyBlock(*source, sourceX, sourceY, width, height, *canvas, x, y);
  }
  frameShown();
  return 1;
}

int presentRects(Handle dc, Handle surface, const Rect* rects, int count) {
  emu::checkStop();
  emu::Canvas* canvas = canvasOf(dc);
  {
    const emu::LockedSurface source(surface);
    if (!canvas || !source) return 0;
    for (int i = 0; i < count; ++i) {
      const Rect& r = rects[i];
      copyBlock(*source, r.left, r.top, r.right - r.left, r.bottom - r.top, *canvas, r.left, r.top);
    }
  }
  frameShown();
  return 1;
}

int messageBox(Handle, const wchar_t* text, const wchar_t* caption, std::uint32_t) {
  State& s = state();
  std::wstring entry = std::wstring(caption ? caption : L"") + L"|" + (text ? text : L"");
  std::fprintf(stderr, "message box: %ls\n", entry.c_str());
  std::lock_guard lock(s.mutex);
  s.boxes.push_back(std::move(entry));
  return 1;
}

}  // namespace

void configure(const Options& options) {
  emu::resetWindowSystem();
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    s.options = options;
    s.now = s.seenNow = options.startTimeMs;
    s.idleAt = 0;
    s.mainIdle = false;
    s.woken = false;
    s.frames = 0;
    s.cursorCount = 0;
    s.canvases.clear();
    s.boxes.clear();
  }
  platform = Platform{};
  emu::installWindowSystem(emu::Native{nativeWait, nativeWake, nativeNow, nativeCreate,
                                       nativeDestroy, nullptr, nativeSleep});
  platform.messageBox = messageBox;
  platform.showCursor = [](int show) {
    State& st = state();
    std::lock_guard lock(st.mutex);
    return st.cursorCount += show ? 1 : -1;
  };
  platform.getSystemMetrics = [](int index) {
    const Options& o = state().options;
    return index == SM_CXSCREEN ? o.screenWidth : index == SM_CYSCREEN ? o.screenHeight : 0;
  };
  platform.setClipboardViewer = [](Handle) -> Handle { return 0; };
  platform.changeClipboardChain = [](Handle, Handle) { return 1; };
  platform.commandLineArguments = [] { return state().options.arguments; };
  platform.createSurface = emu::createSurface;
  platform.releaseSurface = emu::releaseSurface;
  platform.bitBlt = bitBlt;
  platform.presentRects = presentRects;
  // Pacing runs on the virtual millisecond clock, so each frame advances time by
  // whole milliseconds.
  emu::installMillisecondClock();
  platform.enumMonitors = [](std::vector<Rect>& monitors) {
    const Options& o = state().options;
    monitors.assign(1, Rect{0, 0, o.screenWidth, o.screenHeight});
    return 1;
  };
  platform.monitorFrequency = [](int index) {
    return index == 0 ? state().options.refreshRate : 0;
  };
  emu::installResources(platform);
  installIo(platform, options.dialogAnswers);
#ifdef _WIN32
  installWin32Files(platform);       // the host's files: tests under Wine use real ones
  installGdiplusPictures(platform);  // the tests under Wine decode with the real library
  platform.encodeSurfaceFile = emu::encodeSurfaceFile;  // our surfaces are not DIB sections
#else
  emu::installFiles(platform);
  emu::installCodecs(platform);
#endif
  // After the pictures: our device contexts are canvases on every system.
  emu::installCanvasPainting(platform, canvasOf);
}

void postKey(int virtualKey, bool down) {
  const Handle window = emu::firstTopLevelWindow();
  if (!window) return;
  // lParam as the keyboard makes it: repeat count 1; for a release the previous
  // state and transition bits are set.
  const LParam lParam = down ? 1 : static_cast<LParam>(0xC0000001u);
  emu::post(window, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WParam>(virtualKey), lParam);
}

void postMouse(std::uint32_t message, int x, int y) {
  const Handle window = emu::firstTopLevelWindow();
  if (!window) return;
  const auto position = static_cast<LParam>((x & 0xFFFF) | (y & 0xFFFF) << 16);
  emu::post(window, message, 0, position);
}

const Canvas* windowCanvas(std::uintptr_t window) { return canvasOf(window); }

std::uintptr_t mainWindow() { return emu::firstTopLevelWindow(); }

const std::vector<std::wstring>& messageBoxes() { return state().boxes; }

std::uint32_t now() { return static_cast<std::uint32_t>(nativeNow()); }

int framesPresented() {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return s.frames;
}

bool stderrIsTerminal() {
#ifdef _WIN32
  return _isatty(2) != 0;
#else
  return isatty(2) != 0;
#endif
}

}  // namespace headless

void installPlatform() { headless::configure(headless::Options{}); }
