// The SDL backend: windows, events, painting, time and monitors on SDL2.
//
// Every SDL video call runs on the main thread. A window's picture is a canvas in
// memory; BitBlt and painting copy into it and then onto the window's surface.
// BitBlt from the process thread is handed to the main thread and waited for, so
// the frame is on screen when it returns.
//
// Hack mode (hack.h) draws into a window a screen-saver daemon gives us, or the
// root window. SDL cannot draw into a window it did not make without adopting it,
// and an adopted window that its owner destroys takes SDL down with it, so the
// frames go there with XPutImage on our own Xlib connection, which also watches
// the window's size and its end. A new size starts a new run at that size.

#include "platform/sdl/sdl.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/codecs/codecs.h"
#include "platform/common/posix_dialogs.h"
#include "platform/common/posix_files.h"
#include "platform/common/resources.h"
#include "platform/common/surface_memory.h"
#include "platform/common/utf8.h"
#include "platform/common/window_system.h"
#include "platform/sdl/clipboard.h"
#include "platform/sdl/hack.h"
#include "platform/sdl/keys.h"

namespace sdl {
namespace {

struct NativeWindow {
  SDL_Window* window = nullptr;
  unsigned long xChild = 0;   // the preview child, made and painted with Xlib
  unsigned long xTarget = 0;  // hack mode: the foreign window drawn into
  GC xGc = nullptr;
  emu::Canvas canvas;
  std::vector<SDL_Rect> shown;  // blocks of the window's surface copied, not yet shown
};

struct State {
  std::vector<std::wstring> arguments;
  Uint32 wakeEvent = 0;
  Display* display = nullptr;  // our own Xlib connection, for the preview child
  Handle previewChild = 0;
  unsigned long previewHost = 0;
  Uint32 lastHostCheck = 0;
  int cursorCount = 0;
  bool quitRequested = false;  // SIGINT or SIGTERM came

  // ---- hack mode ----
  HackOptions hack;
  unsigned long hackWindow = 0;       // the window drawn into
  int hackDepth = 24;                 // its depth: 24, or 32 with alpha
  int hackWidth = 0, hackHeight = 0;  // its size for this run
  int newWidth = 0, newHeight = 0;    // its size as last reported
  Uint32 resizedAt = 0;               // when that size was reported
  bool hackGone = false;              // the window was destroyed
  bool restartRun = false;            // end this run and start one at the new size
  Handle hackMain = 0;                // our window record standing for it
  std::vector<std::uint32_t> rows;    // a frame top row first, for XPutImage
  Uint32 fpsSince = 0;                // start of the frames counted for -fps
  int fpsFrames = 0;
  double fps = 0;

  // ---- the test hook ----
  void (*frameHook)(int, std::uint64_t) = nullptr;
  int framesShown = 0;
  std::vector<Uint8> shownPixels;  // the window's pixels as 32-bit BGRX, for the hash
};

State& state() {
  static State s;
  return s;
}

NativeWindow* nativeOf(Handle handle) {
  emu::Window* w = emu::findWindowRecord(handle);
  return w ? static_cast<NativeWindow*>(w->native) : nullptr;
}

Handle handleOf(Uint32 windowId) {
  SDL_Window* window = SDL_GetWindowFromID(windowId);
  if (!window) return 0;
  return reinterpret_cast<Handle>(SDL_GetWindowData(window, "handle"));
}

// Shows a rectangle of the canvas on the window.
void showCanvasX(NativeWindow& n);

void showCanvas(NativeWindow& n, int x, int y, int width, int height) {
  if (n.xChild) {
    showCanvasX(n);
    return;
  }
  SDL_Surface* target = SDL_GetWindowSurface(n.window);
  if (!target) return;
  const emu::Canvas& c = n.canvas;
  if (x < 0) {
    width += x;
    x = 0;
  }
  if (y < 0) {
    height += y;
    y = 0;
  }
  if (x + width > c.width) width = c.width - x;
  if (y + height > c.height) height = c.height - y;
  if (x + width > target->w) width = target->w - x;
  if (y + height > target->h) height = target->h - y;
  if (width <= 0 || height <= 0) return;
  SDL_LockSurface(target);
  SDL_ConvertPixels(
      width, height, SDL_PIXELFORMAT_ARGB8888,
      c.pixels.data() + static_cast<std::size_t>(y) * c.width + x, c.width * 4,
      target->format->format,
      static_cast<Uint8*>(target->pixels) + y * target->pitch + x * target->format->BytesPerPixel,
      target->pitch);
  SDL_UnlockSurface(target);
  const SDL_Rect rect{x, y, width, height};
  SDL_UpdateWindowSurfaceRects(n.window, &rect, 1);
}

// ---- X11 errors: a missing window must not end the program -------------------
int lastXError = 0;
int onXError(Display*, XErrorEvent* event) {
  lastXError = event->error_code;
  return 0;
}

// The display went away under us: nothing more can be shown, and tearing down
// normally would wait on threads that wait on the display.
int onXIOError(Display*) {
  static const char message[] = "brinemere: the connection to the display was lost\n";
  [[maybe_unused]] const ssize_t written = write(2, message, sizeof message - 1);
  _exit(1);
}

// Puts width x height pixels, top row first, at (x, y) of a window: their bytes
// (blue, green, red, alpha) are what a true-colour visual of depth 24 (or 32, with
// alpha) takes with 32 bits a pixel.
void putPixels(Window window, GC gc, int depth, std::uint32_t* pixels, int x, int y, int width,
               int height) {
  State& s = state();
  if (!s.display || width <= 0 || height <= 0) return;
  XImage image{};
  image.width = width;
  image.height = height;
  image.format = ZPixmap;
  image.data = reinterpret_cast<char*>(pixels);
  image.byte_order = LSBFirst;
  image.bitmap_unit = 32;
  image.bitmap_bit_order = LSBFirst;
  image.bitmap_pad = 32;
  image.depth = depth;
  image.bytes_per_line = width * 4;
  image.bits_per_pixel = 32;
  image.red_mask = 0xFF0000;
  image.green_mask = 0x00FF00;
  image.blue_mask = 0x0000FF;
  if (!XInitImage(&image)) return;
  lastXError = 0;
  XPutImage(s.display, window, gc, &image, 0, 0, x, y, width, height);
}

// Puts the whole canvas on the preview child.
void showCanvasX(NativeWindow& n) {
  emu::Canvas& c = n.canvas;
  putPixels(n.xChild, n.xGc, 24, c.pixels.data(), 0, 0, c.width, c.height);
  if (state().display) XFlush(state().display);
}

// Expose events of the preview child, and the size and end of the hack's window,
// arrive on our own connection.
void pumpOwnConnection() {
  State& s = state();
  if (!s.display) return;
  while (XPending(s.display)) {
    XEvent event;
    XNextEvent(s.display, &event);
    if (event.type == Expose && event.xexpose.count == 0 && s.previewChild) {
      emu::invalidate(s.previewChild);
    } else if (event.type == ConfigureNotify && event.xconfigure.window == s.hackWindow) {
      s.newWidth = event.xconfigure.width;
      s.newHeight = event.xconfigure.height;
      s.resizedAt = SDL_GetTicks();
    } else if (event.type == DestroyNotify && event.xdestroywindow.window == s.hackWindow) {
      s.hackGone = true;
    }
  }
}

int hostSize(unsigned long host, int& width, int& height) {
  State& s = state();
  if (!s.display || host == 0) return 0;
  lastXError = 0;
  XWindowAttributes attributes;
  const Status ok = XGetWindowAttributes(s.display, host, &attributes);
  XSync(s.display, False);
  if (!ok || lastXError) return 0;
  width = attributes.width;
  height = attributes.height;
  return 1;
}

// ---- the native half of the window system -------------------------------------

void handleEvent(const SDL_Event& e);

// Hack mode: the run ends when the window goes away, and is started again at a new
// size once the size has held for a moment (a drag reports many).
void watchHackWindow(int& timeoutMs) {
  State& s = state();
  pumpOwnConnection();
  if (timeoutMs < 0 || timeoutMs > 50) timeoutMs = 50;
  if (!s.hackGone && SDL_GetTicks() - s.lastHostCheck >= 200) {
    s.lastHostCheck = SDL_GetTicks();
    int w, h;
    if (!hostSize(s.hackWindow, w, h)) s.hackGone = true;
  }
  const bool resized = (s.newWidth != s.hackWidth || s.newHeight != s.hackHeight) &&
                       s.newWidth > 0 && s.newHeight > 0 && SDL_GetTicks() - s.resizedAt >= 250;
  if (s.hackGone || (resized && !s.restartRun)) {
    s.restartRun = !s.hackGone;
    emu::post(s.hackMain, WM_CLOSE, 0, 0);
  }
}

void nativeWait(int timeoutMs) {
  State& s = state();
  if (s.hackMain) watchHackWindow(timeoutMs);
  if (s.previewChild) {
    pumpOwnConnection();
    // The host gives no notice when it goes away: look every 200 ms. Exposes
    // are seen within 50 ms.
    if (timeoutMs < 0 || timeoutMs > 50) timeoutMs = 50;
    if (SDL_GetTicks() - s.lastHostCheck >= 200) {
      s.lastHostCheck = SDL_GetTicks();
      int w, h;
      if (!hostSize(s.previewHost, w, h)) {
        const Handle child = s.previewChild;
        s.previewChild = 0;
        platform.destroyWindow(child);
        return;
      }
    }
  }
  SDL_Event e;
  if (!SDL_WaitEventTimeout(&e, timeoutMs < 0 ? 1000 : timeoutMs)) return;
  handleEvent(e);
  while (SDL_PollEvent(&e)) handleEvent(e);
}

void nativeWake() {
  SDL_Event e{};
  e.type = state().wakeEvent;
  SDL_PushEvent(&e);
}

std::uint64_t nativeNow() { return SDL_GetTicks64(); }

std::string utf8(const std::wstring& text) {
  std::string out;
  emu::utf8FromWide(text, out);  // what cannot be UTF-8 shows as U+FFFD
  return out;
}

std::wstring wide(const char* text) { return emu::wideFromUtf8(text); }

int nativeCreate(emu::Window& w) {
  State& s = state();
  auto* n = new NativeWindow;
  if (s.hack.active && !(w.style & WS_CHILD) && !s.hackMain) {
    // The main window of a hack run stands for the foreign window: nothing is made.
    n->xTarget = s.hackWindow;
    n->xGc = XCreateGC(s.display, n->xTarget, 0, nullptr);
    w.native = n;
    s.hackMain = w.handle;
    return 1;
  }
  if (w.style & WS_CHILD) {
    // A child of a window that is not ours (the preview host). SDL cannot make
    // one, and adopting it into SDL ends badly when the host takes it away, so it
    // lives entirely on our own Xlib connection.
    if (!s.display) s.display = XOpenDisplay(nullptr);
    if (!s.display) {
      delete n;
      return 0;
    }
    XSetErrorHandler(onXError);
    lastXError = 0;
    n->xChild =
        XCreateSimpleWindow(s.display, static_cast<Window>(w.parent), 0, 0,
                            w.width > 0 ? w.width : 1, w.height > 0 ? w.height : 1, 0, 0, 0);
    XSync(s.display, False);
    if (lastXError || !n->xChild) {
      delete n;
      return 0;
    }
    XSelectInput(s.display, n->xChild, ExposureMask);
    n->xGc = XCreateGC(s.display, n->xChild, 0, nullptr);
    XMapWindow(s.display, n->xChild);
    XSync(s.display, False);
    n->canvas.resize(w.width, w.height);
    w.native = n;
    s.previewChild = w.handle;
    s.previewHost = w.parent;
    return 1;
  } else {
    n->window = SDL_CreateWindow(utf8(w.title).c_str(), w.x, w.y, w.width, w.height,
                                 SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
  }
  if (!n->window) {
    std::fprintf(stderr, "brinemere: cannot create a window: %s\n", SDL_GetError());
    delete n;
    return 0;
  }
  // SDL swaps handlers while it makes a window; ours must be the one left.
  XSetErrorHandler(onXError);
  SDL_SetWindowData(n->window, "handle", reinterpret_cast<void*>(w.handle));
  n->canvas.resize(w.width, w.height);
  w.native = n;
  return 1;
}

void nativeDestroy(emu::Window& w) {
  State& s = state();
  auto* n = static_cast<NativeWindow*>(w.native);
  if (!n) return;
  if (n->window) SDL_DestroyWindow(n->window);
  if (n->xTarget && s.display) {
    XSetErrorHandler(onXError);
    XFreeGC(s.display, n->xGc);
    XSync(s.display, False);
  }
  if (s.hackMain == w.handle) s.hackMain = 0;
  if (n->xChild && s.display) {
    // The child may be gone with its host already; the error is only noted.
    XSetErrorHandler(onXError);
    lastXError = 0;
    XFreeGC(s.display, n->xGc);
    XDestroyWindow(s.display, n->xChild);
    XSync(s.display, False);
  }
  if (s.previewChild == w.handle) s.previewChild = 0;
  delete n;
  w.native = nullptr;
}

int foreignClientRect(Handle window, Rect& rect) {
  State& s = state();
  if (!s.display) s.display = XOpenDisplay(nullptr);
  XSetErrorHandler(onXError);
  int width, height;
  if (!hostSize(static_cast<unsigned long>(window), width, height)) return 0;
  rect = Rect{0, 0, width, height};
  return 1;
}

void nativeSleep(std::uint32_t milliseconds) {
  emu::checkStop();
  if (milliseconds == 0) {
    // Sleep(0) gives the core away. A yield returns at once on an idle core, so a
    // caller that polls a clock with it (the pacing's last millisecond) would
    // spin; a tenth of a millisecond asleep costs it no precision that shows.
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  } else {
    emu::waitForStop(milliseconds);
  }
  emu::checkStop();
}

// ---- events -------------------------------------------------------------------

LParam keyLParam(const SDL_KeyboardEvent& key, bool up) {
  std::uint32_t l = 1 | (static_cast<std::uint32_t>(key.keysym.scancode) & 0xFF) << 16;
  if (up) l |= 0xC0000000u;
  if (!up && key.repeat) l |= 0x40000000u;
  return static_cast<LParam>(static_cast<std::int32_t>(l));
}

void handleEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int vk = virtualKeyOf(e.key.keysym.sym);
      const Handle h = handleOf(e.key.windowID);
      if (vk && h) {
        const bool up = e.type == SDL_KEYUP;
        emu::post(h, up ? WM_KEYUP : WM_KEYDOWN, static_cast<WParam>(vk), keyLParam(e.key, up));
      }
      break;
    }
    case SDL_MOUSEMOTION: {
      const Handle h = handleOf(e.motion.windowID);
      if (h) {
        emu::post(h, WM_MOUSEMOVE, 0,
                  static_cast<LParam>((e.motion.x & 0xFFFF) | (e.motion.y & 0xFFFF) << 16));
      }
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const Handle h = handleOf(e.button.windowID);
      std::uint32_t base = 0;
      if (e.button.button == SDL_BUTTON_LEFT) base = WM_LBUTTONDOWN;
      if (e.button.button == SDL_BUTTON_RIGHT) base = WM_RBUTTONDOWN;
      if (e.button.button == SDL_BUTTON_MIDDLE) base = WM_MBUTTONDOWN;
      if (h && base) {
        // The main window's class asks for no double clicks, so none are made.
        const std::uint32_t message = e.type == SDL_MOUSEBUTTONUP ? base + 1 : base;
        emu::post(h, message, 0,
                  static_cast<LParam>((e.button.x & 0xFFFF) | (e.button.y & 0xFFFF) << 16));
      }
      break;
    }
    case SDL_MOUSEWHEEL: {
      const Handle h = handleOf(e.wheel.windowID);
      if (h) {
        const std::uint32_t delta = static_cast<std::uint16_t>(e.wheel.y * 120);
        emu::post(h, WM_MOUSEWHEEL, static_cast<WParam>(delta << 16), 0);
      }
      break;
    }
    case SDL_WINDOWEVENT: {
      const Handle h = handleOf(e.window.windowID);
      if (!h) break;
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) emu::invalidate(h);
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) emu::post(h, WM_CLOSE, 0, 0);
      break;
    }
    case SDL_QUIT: {
      state().quitRequested = true;
      // SIGINT or SIGTERM (SDL turns them into this event), or the last window
      // closed: the run ends as when the window is closed from outside.
      if (const Handle main = emu::firstTopLevelWindow()) emu::post(main, WM_CLOSE, 0, 0);
      break;
    }
    default:
      break;
  }
}

// ---- painting -------------------------------------------------------------------

// Copies a block straight from the bottom-up DIB into the window's surface: one
// pass, no intermediate picture. Formats with the DIB's byte order take plain row
// copies; others are converted row by row. The part copied joins n.shown.
void copyToWindow(NativeWindow& n, SDL_Surface* target, const emu::Surface& source, int x, int y,
                  int width, int height, int sourceX, int sourceY) {
  const emu::CopyBlock b = emu::clipCopyBlock({sourceX, sourceY, x, y, width, height}, source.width,
                                              source.height, target->w, target->h);
  if (b.width == 0) return;
  const Uint32 format = target->format->format;
  const bool sameBytes = format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
  const std::size_t pitch = static_cast<std::size_t>(source.width) * 4;
  for (int row = 0; row < b.height; ++row) {
    const Uint8* from =
        source.pixels + (source.height - 1 - (b.sourceY + row)) * pitch + b.sourceX * 4;
    Uint8* to = static_cast<Uint8*>(target->pixels) + (b.y + row) * target->pitch +
                b.x * target->format->BytesPerPixel;
    if (sameBytes) {
      std::memcpy(to, from, static_cast<std::size_t>(b.width) * 4);
    } else {
      SDL_ConvertPixels(b.width, 1, SDL_PIXELFORMAT_ARGB8888, from, b.width * 4, format, to,
                        target->pitch);
    }
  }
  n.shown.push_back(SDL_Rect{b.x, b.y, b.width, b.height});
}

// Puts the blocks of the window's surface copied since the last time on the
// display, in one go.
void showCopied(NativeWindow& n) {
  if (!n.shown.empty()) {
    SDL_UpdateWindowSurfaceRects(n.window, n.shown.data(), static_cast<int>(n.shown.size()));
  }
  n.shown.clear();
}

// Hack mode: the block goes to the foreign window where our window record places
// it (a width rounded up to 8 starts a little left of the edge), with the -fps
// figure over it, and is on the screen when this returns.
void blitToForeign(NativeWindow& n, Handle window, const emu::Surface& source, int x, int y,
                   int width, int height, int sourceX, int sourceY) {
  State& s = state();
  const emu::Window* record = emu::findWindowRecord(window);
  if (!record || s.hackGone) return;
  const emu::CopyBlock b =
      emu::clipCopyBlock({sourceX, sourceY, x + record->x, y + record->y, width, height},
                         source.width, source.height, s.hackWidth, s.hackHeight);
  if (b.width == 0) return;
  s.rows.resize(static_cast<std::size_t>(b.width) * b.height);
  const std::size_t pitch = static_cast<std::size_t>(source.width) * 4;
  for (int row = 0; row < b.height; ++row) {
    const auto* from = reinterpret_cast<const std::uint32_t*>(
        source.pixels + (source.height - 1 - (b.sourceY + row)) * pitch + b.sourceX * 4);
    std::uint32_t* to = s.rows.data() + static_cast<std::size_t>(row) * b.width;
    for (int i = 0; i < b.width; ++i) to[i] = from[i] | 0xFF000000u;
  }
  if (s.hack.showFps) {
    const Uint32 now = SDL_GetTicks();
    if (s.fpsFrames == 0 && s.fpsSince == 0) s.fpsSince = now;
    ++s.fpsFrames;
    if (now - s.fpsSince >= 1000) {
      s.fps = s.fpsFrames * 1000.0 / (now - s.fpsSince);
      s.fpsSince = now;
      s.fpsFrames = 0;
    }
    drawFps(s.rows.data(), b.width, b.height, b.width, s.fps);
  }
  putPixels(n.xTarget, n.xGc, s.hackDepth, s.rows.data(), b.x, b.y, b.width, b.height);
  XSync(s.display, False);
}

// The hash of what the window shows, in the window's own pixel format turned to
// 32-bit BGRX. Main thread, with the surface unlocked.
std::uint64_t hashWindow(SDL_Surface* target) {
  State& s = state();
  s.shownPixels.resize(static_cast<std::size_t>(target->w) * target->h * 4);
  SDL_LockSurface(target);
  SDL_ConvertPixels(target->w, target->h, target->format->format, target->pixels, target->pitch,
                    SDL_PIXELFORMAT_RGB888, s.shownPixels.data(), target->w * 4);
  SDL_UnlockSurface(target);
  return emu::hashPixels(s.shownPixels.data(), static_cast<std::ptrdiff_t>(target->w) * 4,
                         target->w, target->h);
}

// A presentation from the process thread is a frame: hashed and handed to the hook.
void frameShown(std::uint64_t hash) {
  State& s = state();
  if (s.frameHook) s.frameHook(s.framesShown++, hash);
}

int bitBlt(Handle dc, int x, int y, int width, int height, Handle surface, int sourceX,
           int sourceY) {
  int result = 0;
  const bool hooked = state().frameHook && !emu::onMainThread();
  std::optional<std::uint64_t> hash;
  emu::runOnMain([&] {
    NativeWindow* n = nativeOf(dc);
    const emu::LockedSurface source(surface);
    if (n && source && n->xTarget) {
      blitToForeign(*n, dc, *source, x, y, width, height, sourceX, sourceY);
      result = 1;
      return;
    }
    if (!n || !source || !n->window) return;
    SDL_Surface* target = SDL_GetWindowSurface(n->window);
    if (!target) return;
    SDL_LockSurface(target);
    copyToWindow(*n, target, *source, x, y, width, height, sourceX, sourceY);
    SDL_UnlockSurface(target);
    showCopied(*n);
    if (hooked) hash = hashWindow(target);
    result = 1;
  });
  if (hash) frameShown(*hash);
  emu::checkStop();
  return result;
}

int presentRects(Handle dc, Handle surface, const Rect* rects, int count) {
  int result = 0;
  const bool hooked = state().frameHook && !emu::onMainThread();
  std::optional<std::uint64_t> hash;
  emu::runOnMain([&] {
    NativeWindow* n = nativeOf(dc);
    const emu::LockedSurface source(surface);
    if (!n || !source) return;
    if (count <= 0) {
      if (hooked && n->window) {
        if (SDL_Surface* target = SDL_GetWindowSurface(n->window)) hash = hashWindow(target);
      }
      result = 1;  // nothing changed
      return;
    }
    if (n->xTarget) {
      // One block round them all: the -fps figure goes on the frame once.
      Rect all = rects[0];
      for (int i = 1; i < count; ++i) {
        all = Rect{std::min(all.left, rects[i].left), std::min(all.top, rects[i].top),
                   std::max(all.right, rects[i].right), std::max(all.bottom, rects[i].bottom)};
      }
      blitToForeign(*n, dc, *source, all.left, all.top, all.right - all.left, all.bottom - all.top,
                    all.left, all.top);
      result = 1;
      return;
    }
    if (!n->window) return;
    SDL_Surface* target = SDL_GetWindowSurface(n->window);
    if (!target) return;
    SDL_LockSurface(target);
    for (int i = 0; i < count; ++i) {
      const Rect& r = rects[i];
      copyToWindow(*n, target, *source, r.left, r.top, r.right - r.left, r.bottom - r.top, r.left,
                   r.top);
    }
    SDL_UnlockSurface(target);
    showCopied(*n);
    if (hooked) hash = hashWindow(target);
    result = 1;
  });
  if (hash) frameShown(*hash);
  emu::checkStop();
  return result;
}

int fillRectStock(Handle dc, const Rect& rect, int brush) {
  NativeWindow* n = nativeOf(dc);
  if (!n) return 0;
  emu::fillCanvas(n->canvas, rect, brush);
  return 1;
}

int textOut(Handle dc, int x, int y, const wchar_t* text, std::uint32_t back, std::uint32_t fore,
            std::uint32_t align) {
  NativeWindow* n = nativeOf(dc);
  return n ? emu::drawText(n->canvas, x, y, text, back, fore, align) : 0;
}

int drawPicture(Handle dc, const PictureData& picture, int x, int y) {
  NativeWindow* n = nativeOf(dc);
  if (!n) return 0;
  emu::drawPictureOnCanvas(n->canvas, picture, x, y);
  return 1;
}

void endPaint(Handle window) {
  NativeWindow* n = nativeOf(window);
  if (n) showCanvas(*n, 0, 0, n->canvas.width, n->canvas.height);
}

void showWindow(Handle window, int) {
  NativeWindow* n = nativeOf(window);
  if (n && n->window) SDL_ShowWindow(n->window);
  if (n && n->xChild && state().display) XMapWindow(state().display, n->xChild);
  emu::invalidate(window);
}

int messageBox(Handle, const wchar_t* text, const wchar_t* caption, std::uint32_t type) {
  const Uint32 flags = (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
  const std::string t = utf8(text ? text : L""), c = utf8(caption ? caption : L"");
  if (SDL_ShowSimpleMessageBox(flags, c.c_str(), t.c_str(), nullptr) != 0) {
    // No way to show it: say it where a user of a terminal will see it.
    std::fprintf(stderr, "%s\n%s\n", c.c_str(), t.c_str());
  }
  return 1;
}

int showCursor(int show) {
  State& s = state();
  s.cursorCount += show ? 1 : -1;
  SDL_ShowCursor(s.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
  return s.cursorCount;
}

int getSystemMetrics(int index) {
  const State& s = state();
  // A hack's screen is its window: the run sizes itself to it.
  if (s.hack.active)
    return index == SM_CXSCREEN ? s.hackWidth : index == SM_CYSCREEN ? s.hackHeight : 0;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 0;
  return index == SM_CXSCREEN ? mode.w : index == SM_CYSCREEN ? mode.h : 0;
}

int bringToTop(Handle window) {
  int result = 0;
  emu::runOnMain([&] {
    NativeWindow* n = nativeOf(window);
    if (n && n->window) {
      SDL_RaiseWindow(n->window);
      result = 1;
    }
  });
  return result;
}

int enumMonitors(std::vector<Rect>& monitors) {
  const int count = SDL_GetNumVideoDisplays();
  if (count < 1) return 0;
  monitors.clear();
  for (int i = 0; i < count; ++i) {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(i, &r) != 0) return 0;
    monitors.push_back(Rect{r.x, r.y, r.x + r.w, r.y + r.h});
  }
  return 1;
}

int monitorFrequency(int index) {
  SDL_DisplayMode mode;
  if (SDL_GetCurrentDisplayMode(index, &mode) != 0) return 0;
  return mode.refresh_rate;
}

// Finds the hack's window on our own connection and checks that we can draw into
// it; 0 with a message when not.
int openHackWindow() {
  State& s = state();
  s.display = XOpenDisplay(nullptr);
  if (!s.display) {
    std::fprintf(stderr, "brinemere: cannot open the display\n");
    return 0;
  }
  XSetErrorHandler(onXError);
  s.hackWindow =
      s.hack.windowId ? static_cast<Window>(s.hack.windowId) : DefaultRootWindow(s.display);
  lastXError = 0;
  XWindowAttributes a{};
  const Status ok = XGetWindowAttributes(s.display, s.hackWindow, &a);
  XSync(s.display, False);
  if (!ok || lastXError) {
    std::fprintf(stderr, "brinemere: there is no window 0x%lx on this display\n", s.hackWindow);
    return 0;
  }
  const bool trueColour = a.visual && a.visual->red_mask == 0xFF0000 &&
                          a.visual->green_mask == 0xFF00 && a.visual->blue_mask == 0xFF;
  if (a.c_class == InputOnly || !trueColour || (a.depth != 24 && a.depth != 32)) {
    std::fprintf(stderr,
                 "brinemere: window 0x%lx cannot be drawn into: it is not a true-colour window "
                 "of depth 24 or 32 (depth %d)\n",
                 s.hackWindow, a.depth);
    return 0;
  }
  s.hackDepth = a.depth;
  s.hackWidth = s.newWidth = a.width;
  s.hackHeight = s.newHeight = a.height;
  // Only its size and its end: never its keys or buttons, which are its owner's.
  XSelectInput(s.display, s.hackWindow, StructureNotifyMask);
  XSync(s.display, False);
  return 1;
}

}  // namespace

void setFrameHook(void (*hook)(int frame, std::uint64_t hash)) {
  state().frameHook = hook;
  state().framesShown = 0;
}

int nextRun() {
  State& s = state();
  if (!s.restartRun || s.hackGone || s.quitRequested) return 0;
  s.restartRun = false;
  s.hackWidth = s.newWidth;
  s.hackHeight = s.newHeight;
  emu::resetWindowSystem();
  return 1;
}

int start(int argc, char** argv) {
  State& s = state();
  std::string error;
  if (readHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), s.hack, error) < 0) {
    std::fprintf(stderr, "brinemere: %s\n", error.c_str());
    return 0;
  }
  s.arguments.clear();
  // A hack run is the full-screen run, in the window it was given.
  for (int i = 0; i < (s.hack.active ? 1 : argc); ++i) s.arguments.push_back(wide(argv[i]));
  // Frames are ours, drawn in memory: the window's surface must be plain memory
  // too. A GL-backed surface (even Mesa's software one) only adds a copy, and on
  // virtual displays it hung and crashed now and then.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // SDL keeps the handler it finds and puts it back as it quits, before it closes
  // its connections: what they report late (a wake-up sent to a window the close
  // from outside had destroyed) must find ours, not Xlib's, which ends the program.
  XSetErrorHandler(onXError);
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
    std::fprintf(stderr, "brinemere: cannot open the display: %s\n", SDL_GetError());
    return 0;
  }
  s.wakeEvent = SDL_RegisterEvents(1);
  XSetIOErrorHandler(onXIOError);
  // Xlib's own handler ends the program on any error; a request about a window
  // that went away in the meantime (closed from outside during start-up) is not
  // worth dying for.
  XSetErrorHandler(onXError);
  if (s.hack.active && !openHackWindow()) {
    SDL_Quit();
    return 0;
  }
  SDL_EventState(SDL_TEXTINPUT, SDL_DISABLE);

  platform = Platform{};
  emu::installWindowSystem(emu::Native{nativeWait, nativeWake, nativeNow, nativeCreate,
                                       nativeDestroy, foreignClientRect, nativeSleep});
  platform.showWindow = showWindow;
  platform.endPaint = endPaint;
  platform.messageBox = messageBox;
  platform.showCursor = showCursor;
  platform.getSystemMetrics = getSystemMetrics;
  platform.bringToTop = bringToTop;
  platform.setClipboardViewer = [](Handle) -> Handle { return 0; };
  platform.changeClipboardChain = [](Handle, Handle) { return 1; };
  platform.commandLineArguments = [] { return state().arguments; };
  platform.fillRectStock = fillRectStock;
  platform.textOut = textOut;
  platform.drawPicture = drawPicture;
  platform.createSurface = emu::createSurface;
  platform.releaseSurface = emu::releaseSurface;
  platform.bitBlt = bitBlt;
  platform.presentRects = presentRects;
  platform.timeGetTime = [] { return static_cast<std::uint32_t>(SDL_GetTicks64()); };
  platform.timeBeginPeriod = [](std::uint32_t) {};
  platform.queryPerformanceFrequency = [](std::int64_t& f) {
    f = static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
    return 1;
  };
  platform.queryPerformanceCounter = [](std::int64_t& c) {
    c = static_cast<std::int64_t>(SDL_GetPerformanceCounter());
    return 1;
  };
  platform.systemMajorVersion = [] { return 6; };
  // SDL has no wait that truly blocks on the vertical blank without a renderer.
  platform.createVerticalBlank = [] { return 0; };
  platform.waitVerticalBlank = [] { return 0; };
  platform.releaseVerticalBlank = [] {};
  platform.enumMonitors = enumMonitors;
  platform.monitorFrequency = monitorFrequency;
  emu::installResources(platform);
  emu::installCodecs(platform);
  emu::installFiles(platform);
  platform.fileDialog = emu::zenityFileDialog;
  installClipboard(platform);
  return 1;
}

void stop() {
  State& s = state();
  // A preview child adopted from Xlib may be gone already; keep its errors quiet.
  if (s.display) XSetErrorHandler(onXError);
  stopClipboard();
  emu::resetWindowSystem();
  SDL_Quit();
  if (s.display) {
    XCloseDisplay(s.display);
    s.display = nullptr;
  }
}

}  // namespace sdl
