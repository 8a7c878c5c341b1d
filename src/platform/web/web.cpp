// The web backend. The window system, surfaces and resources are the emulation the
// SDL and headless backends share (common/), here on one thread: sends are direct
// calls, and the process runs nested in the message loop (web.h says how). The page
// side is a canvas, a few listeners and three text boxes of index.html.

#include "platform/web/web.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/codecs/codecs.h"
#include "platform/common/resources.h"
#include "platform/common/utf8.h"
#include "platform/common/window_system.h"
#include "platform/web/pictures.h"

// ---- the page side ----------------------------------------------------------------

// The canvas at `width` x `height` pixels, laid over the page so that its first
// `screenWidth` columns fill the page's width (the window may be up to 7 pixels
// wider than the screen, as on the desktop); kept so on every resize.
EM_JS(void, page_size_canvas, (int width, int height, int screenWidth, int screenHeight), {
  var canvas = document.getElementById("sea");
  canvas.width = width;
  canvas.height = height;
  var fit = function() {
    var scale = window.innerWidth / screenWidth;
    canvas.style.width = (width * scale) + "px";
    canvas.style.height = (window.innerHeight * height / screenHeight) + "px";
    canvas.style.left = (-(width - screenWidth) / 2 * scale) + "px";
  };
  fit();
  if (!Module.seaFit)
    window.addEventListener(
        "resize", function() { Module.seaFit(); });
  Module.seaFit = fit;
});

// Pixels in the canvas's own order (bytes R, G, B, A) at (x, y).
EM_JS(void, page_put_pixels, (const void* rgba, int width, int height, int x, int y), {
  var canvas = document.getElementById("sea");
  var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
  canvas.getContext("2d").putImageData(new ImageData(bytes, width, height), x, y);
});

// The page's size in device pixels.
EM_JS(int, page_width, (),
      { return Math.round(window.innerWidth * (window.devicePixelRatio || 1)); });
EM_JS(int, page_height, (),
      { return Math.round(window.innerHeight * (window.devicePixelRatio || 1)); });

// The query string without "?", as a new C string the caller frees.
EM_JS(char*, page_query, (), {
  var text = window.location.search.substring(1);
  var size = lengthBytesUTF8(text) + 1;
  var out = _malloc(size);
  stringToUTF8(text, out, size);
  return out;
});

// kind 0: a report line (the page keeps them in #report), 1: a warning, 2: a
// message box's text in #message, 3: the line over the stopped picture (#stopped;
// empty hides it).
EM_JS(void, page_text, (int kind, const char* text), {
  var line = UTF8ToString(text);
  if (kind == 0) {
    console.log(line);
    document.getElementById("report").textContent += line + "\n";
  } else if (kind == 1) {
    console.warn(line);
  } else {
    var box = document.getElementById(kind == 2 ? "message" : "stopped");
    box.textContent = line;
    box.style.display = line ? "block" : "none";
    if (kind == 2) console.error(line);
  }
});

EM_JS(void, page_cursor, (int shown),
      { document.getElementById("sea").style.cursor = shown ? "default" : "none"; });

EM_JS(void, page_toggle_full_screen, (), {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else if (document.documentElement.requestFullscreen) {
    document.documentElement.requestFullscreen().catch(function(){});
  }
});

// Double clicks toggle full screen; clicks count as a start once stopped.
EM_JS(void, page_listen, (), {
  if (Module.seaListening) return;
  Module.seaListening = true;
  var canvas = document.getElementById("sea");
  canvas.addEventListener(
      "dblclick", function() { _web_page_double_click(); });
  window.addEventListener(
      "mousedown", function() { _web_page_click(); });
});

namespace web {
namespace {

struct Process {
  ThreadBody body = nullptr;
  void* parameter = nullptr;
  bool pending = false;  // created, not yet started
  bool running = false;  // started, not yet returned
  bool halted = false;   // stopped from outside: it waits for ever at its next wait
};

struct State {
  Options options;
  std::uint64_t virtualNow = 0;
  double realStart = 0;  // emscripten_get_now() at configure
  double lastYield = 0;
  Process process;
  bool pumping = false;  // the process is running the message loop in its wait
  Handle mainWindow = 0;
  emu::Canvas canvas;
  std::vector<std::uint8_t> rgba;   // scratch for the page's byte order
  std::vector<std::uint8_t> first;  // the run's first picture, RGBA, for the stopped page
  int firstWidth = 0, firstHeight = 0, firstScreenWidth = 0, firstScreenHeight = 0;
  int screenWidth = 0, screenHeight = 0;  // the run's screen, fixed at its start
  int newWidth = 0, newHeight = 0;        // the page's new size, held since `newSince`
  double newSince = 0;
  bool resizeEnded = false;  // the run was ended to start again at the page's new size
  // Esc released by the user during the run: a stop, even when a resize's own Esc
  // ended the run first.
  bool escapePressed = false;
  int frames = 0;
  int cursorCount = 0;
  bool stopped = false;
  bool restart = false;
  bool listening = false;
};

State& state() {
  static State s;
  return s;
}

// A message no window gets: the process's pump posts it to itself when the queue
// runs dry, so the loop hands control back instead of waiting.
constexpr std::uint32_t pumpDone = 0x7FFF;
// The longest the page waits without a look at its events (ms).
constexpr int longestYield = 100;
// The longest the page goes without painting while frames are drawn (ms).
constexpr double paintEvery = 50;
// How long a new page size must hold before the run starts again at it (ms): a
// drag reports many.
constexpr double resizeSettles = 250;

std::uint64_t nowMs() {
  const State& s = state();
  if (s.options.virtualClock) return s.virtualNow;
  return static_cast<std::uint64_t>(emscripten_get_now() - s.realStart) + s.options.startTimeMs;
}

// Lets the page run its events and paint for `ms` milliseconds (Asyncify).
void yieldToPage(int ms) {
  emscripten_sleep(static_cast<unsigned>(std::max(ms, 0)));
  state().lastYield = emscripten_get_now();
}

// The message loop's work, run by the process at its waits until nothing is left.
void pump() {
  State& s = state();
  s.pumping = true;
  Message m{};
  for (;;) {
    if (!platform.getMessage(m)) {
      // WM_QUIT belongs to the real loop: posted again for it.
      platform.postQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.window == 0 && m.message == pumpDone) break;
    platform.dispatchMessage(m);
  }
  s.pumping = false;
}

// ---- the window system's native half ----

void pageScreen(int& width, int& height);

// A live run whose page has held a new size for a moment is ended, to start again
// at that size. The process cannot be stopped from outside: it gets Esc, as from
// the keyboard, again now and then (the splash does not take it).
void watchResize() {
  State& s = state();
  if (s.options.virtualClock || !s.mainWindow) return;
  int w = 0, h = 0;
  pageScreen(w, h);
  const double now = emscripten_get_now();
  if (w == s.screenWidth && h == s.screenHeight) {
    s.newWidth = s.newHeight = 0;
  } else if (w != s.newWidth || h != s.newHeight) {
    s.newWidth = w;
    s.newHeight = h;
    s.newSince = now;
  } else if (now - s.newSince >= resizeSettles) {
    s.resizeEnded = true;
    s.newSince = now;
    postKey(VK_ESCAPE, true);
    postKey(VK_ESCAPE, false);
  }
}

void nativeWait(int timeoutMs) {
  State& s = state();
  if (s.pumping) {
    emu::post(0, pumpDone, 0, 0);
    return;
  }
  if (s.process.pending) {
    // The process starts here and runs until the scene ends, waiting in pump().
    s.process.pending = false;
    s.process.running = true;
    s.process.body(s.process.parameter);
    s.process.running = false;
    return;
  }
  watchResize();
  yieldToPage(timeoutMs < 0 ? longestYield : std::min(timeoutMs, longestYield));
}

// A process stopped from outside (a run-time error closed the window) cannot be
// unwound; it is parked at its wait instead, where it costs the page nothing, and
// the message stays on the page.
void parkIfHalted() {
  if (!state().process.halted) return;
  for (;;) emscripten_sleep(60000);
}

void nativeSleep(std::uint32_t milliseconds) {
  State& s = state();
  parkIfHalted();
  if (s.options.virtualClock) {
    s.virtualNow += milliseconds;
    pump();
    parkIfHalted();
    // The page stays alive on long renders; the virtual clock does not move.
    if (emscripten_get_now() - s.lastYield > 200) yieldToPage(0);
    return;
  }
  const std::uint64_t deadline = nowMs() + milliseconds;
  watchResize();
  pump();
  parkIfHalted();
  while (nowMs() < deadline) {
    yieldToPage(static_cast<int>(deadline - nowMs()));
    pump();
    parkIfHalted();
  }
}

int nativeCreate(emu::Window& window) {
  State& s = state();
  if (window.parent == 0 && !s.mainWindow) {
    s.mainWindow = window.handle;
    s.canvas.resize(window.width, window.height);
    const int sw = platform.getSystemMetrics(SM_CXSCREEN);
    const int sh = platform.getSystemMetrics(SM_CYSCREEN);
    page_size_canvas(window.width, window.height, sw, sh);
  }
  return 1;
}

void nativeDestroy(emu::Window& window) {
  State& s = state();
  if (window.handle == s.mainWindow) s.mainWindow = 0;
}

// ---- presentation ----

// Rows y0 .. y0 + h - 1, columns x0 .. x0 + w - 1 of the canvas in the page's byte
// order (R, G, B, A), into `out`.
void toPageOrder(int x0, int y0, int w, int h, std::vector<std::uint8_t>& out) {
  const State& s = state();
  out.resize(static_cast<std::size_t>(w) * h * 4);
  std::uint8_t* o = out.data();
  for (int y = y0; y < y0 + h; ++y) {
    const std::uint32_t* in =
        s.canvas.pixels.data() + static_cast<std::size_t>(y) * s.canvas.width + x0;
    for (int x = 0; x < w; ++x, o += 4) {
      o[0] = static_cast<std::uint8_t>(in[x] >> 16);
      o[1] = static_cast<std::uint8_t>(in[x] >> 8);
      o[2] = static_cast<std::uint8_t>(in[x]);
      o[3] = 0xFF;
    }
  }
}

void putOnPage(int x0, int y0, int w, int h) {
  State& s = state();
  if (w <= 0 || h <= 0) return;
  toPageOrder(x0, y0, w, h, s.rgba);
  page_put_pixels(s.rgba.data(), w, h, x0, y0);
}

// A frame is on the canvas: to the page (live), counted, handed to the hook.
void frameShown(const Rect* rects, int count) {
  State& s = state();
  if (!s.options.virtualClock) {
    for (int i = 0; i < count; ++i) {
      const Rect r{std::max(rects[i].left, 0), std::max(rects[i].top, 0),
                   std::min(rects[i].right, s.canvas.width),
                   std::min(rects[i].bottom, s.canvas.height)};
      putOnPage(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    if (s.first.empty()) {
      toPageOrder(0, 0, s.canvas.width, s.canvas.height, s.first);
      s.firstWidth = s.canvas.width;
      s.firstHeight = s.canvas.height;
      s.firstScreenWidth = s.screenWidth;
      s.firstScreenHeight = s.screenHeight;
    }
  }
  const int frame = s.frames++;
  if (s.options.onPresent) {
    s.options.onPresent(frame);
    pump();  // input posted by the hook is handled before the next frame
  }
  // Frames that leave no time to wait still let the page paint now and then.
  if (!s.options.virtualClock && emscripten_get_now() - s.lastYield > paintEvery) yieldToPage(0);
}

int presentRects(Handle dc, Handle surface, const Rect* rects, int count) {
  State& s = state();
  if (dc != s.mainWindow || !s.mainWindow) return 0;
  {
    const emu::LockedSurface source(surface);
    if (!source) return 0;
    for (int i = 0; i < count; ++i) {
      const Rect& r = rects[i];
      emu::copyToCanvas(*source, r.left, r.top, r.right - r.left, r.bottom - r.top, s.canvas,
                        r.left, r.top);
    }
  }
  frameShown(rects, count);
  return 1;
}

int bitBlt(Handle dc, int x, int y, int width, int height, Handle surface, int sourceX,
           int sourceY) {
  State& s = state();
  if (dc != s.mainWindow || !s.mainWindow) return 0;
  {
    const emu::LockedSurface source(surface);
    if (!source) return 0;
    emu::copyToCanvas(*source, sourceX, sourceY, width, height, s.canvas, x, y);
  }
  const Rect r{x, y, x + width, y + height};
  frameShown(&r, 1);
  return 1;
}

// ---- keys ----

// Keys that the page would otherwise act on itself (scrolling, help) are ours.
bool ours(int vk) {
  return vk == VK_RETURN || vk == VK_SPACE || vk == VK_ESCAPE || vk == VK_F1 ||
         (vk >= VK_LEFT && vk <= VK_DOWN) || vk == 0x7A;
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* e, void*) {
  State& s = state();
  const int vk = static_cast<int>(e->keyCode) & 0xFF;
  const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
  if (vk == 0x7A) {  // F11: full screen, left with Esc
    if (down && !e->repeat) page_toggle_full_screen();
    return EM_TRUE;
  }
  if (s.stopped) {
    if (!down) s.restart = true;
    return ours(vk);
  }
  if (!s.options.virtualClock && s.mainWindow) {
    if (vk == VK_ESCAPE && !down) s.escapePressed = true;
    postKey(vk, down);
  }
  return ours(vk);
}

int messageBox(Handle, const wchar_t* text, const wchar_t* caption, std::uint32_t) {
  std::string line, head;
  emu::utf8FromWide(text ? text : L"", line);
  emu::utf8FromWide(caption ? caption : L"", head);
  page_text(2, (head + ": " + line).c_str());
  return 1;
}

void installPictures(Platform& p) {
  p.startPictures = [] { return 1; };
  p.stopPictures = [] {};
  p.decodePicture = [](const std::uint8_t* bytes, std::size_t size, PictureData& picture) {
    picture = PictureData{};
    if (!bytes || size < 8) return 0;
    if (bytes[0] == 0x89) return decodePng(bytes, size, picture) ? 1 : 0;
    if (bytes[0] == 'G') return decodeGif(bytes, size, picture) ? 1 : 0;
    return emu::decodeBmp(bytes, size, picture) ? 1 : 0;
  };
  p.decodeBitmapResource = [](const wchar_t* name, PictureData& picture) {
    picture = PictureData{};
    std::size_t size = 0;
    const auto* bitmapType = reinterpret_cast<const wchar_t*>(std::uintptr_t{2});
    const std::uint8_t* bytes = platform.findResource(name, bitmapType, size);
    if (!bytes) return 0;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
      return emu::decodeBmp(bytes, size, picture) ? 1 : 0;
    return emu::decodeDib(bytes, size, picture) ? 1 : 0;
  };
  // A page has no files: every file entry fails, as for a missing file.
  p.decodePictureFile = [](const wchar_t*, PictureData& picture) {
    picture = PictureData{};
    return 0;
  };
  p.resamplePicture = [](const PictureData& source, int width, int height, PictureData& result) {
    return emu::resampleBicubic(source, width, height, result) ? 1 : 0;
  };
  p.findEncoder = [](const wchar_t*) { return -1; };
  p.encodePictureFile = [](const PictureData&, const wchar_t*, int, int) { return 0; };
  p.encodeSurfaceFile = [](Handle, const wchar_t*, int, int) { return 0; };
}

void installNoFiles(Platform& p) {
  p.openFile = [](const wchar_t*, int) -> Handle { return 0; };
  p.readFile = [](Handle, void*, std::size_t) -> std::size_t { return 0; };
  p.writeFile = [](Handle, const void*, std::size_t) -> std::size_t { return 0; };
  p.flushFile = [](Handle) { return 0; };
  p.closeFile = [](Handle) {};
  p.fileStatus = [](const wchar_t*, std::uint64_t&) { return 0; };
  p.replaceFile = [](const wchar_t*, const wchar_t*) { return 0; };
  p.deleteFile = [](const wchar_t*) { return 0; };
  p.isFolderSeparator = [](wchar_t c) { return c == L'/' ? 1 : 0; };
  p.settingsFolder = [](const std::wstring&) { return std::wstring(); };
  p.specialFolderPath = [](int, wchar_t*, std::size_t) { return 0; };
  p.fileDialog = [](Handle, int, const wchar_t*, const wchar_t*, wchar_t*, std::size_t) {
    return 0;
  };
  p.globalAlloc = [](std::size_t size) { return std::calloc(size ? size : 1, 1); };
  p.globalFree = [](void* block) { std::free(block); };
  p.clipboardSet = [](std::uint32_t, const void*, std::size_t) { return 0; };
  p.clipboardGet = [](std::uint32_t, std::vector<std::uint8_t>&) { return 0; };
  p.processorCount = [] { return 1; };
}

// The page in device pixels, scaled down to fit 3840x2160 (the browser scales it
// up again).
void pageScreen(int& width, int& height) {
  width = std::max(page_width(), 8);
  height = std::max(page_height(), 8);
  const double scale = std::min({1.0, 3840.0 / width, 2160.0 / height});
  width = std::max(static_cast<int>(width * scale), 8);
  height = std::max(static_cast<int>(height * scale), 8);
}

// The run's screen: as asked, or the page's at configure.
void screenSize(int& width, int& height) {
  width = state().screenWidth;
  height = state().screenHeight;
}

}  // namespace

void configure(const Options& options) {
  emu::resetWindowSystem();
  State& s = state();
  s.options = options;
  s.virtualNow = options.startTimeMs;
  s.realStart = s.lastYield = emscripten_get_now();
  s.process = Process{};
  s.pumping = false;
  s.mainWindow = 0;
  s.frames = 0;
  s.cursorCount = 0;
  s.stopped = s.restart = false;
  // A run started again at a new size shows no splash: the stopped page keeps the
  // one before.
  if (!endedByResize()) s.first.clear();
  s.resizeEnded = s.escapePressed = false;
  s.newWidth = s.newHeight = 0;
  if (options.screenWidth > 0 && options.screenHeight > 0) {
    s.screenWidth = options.screenWidth;
    s.screenHeight = options.screenHeight;
  } else {
    pageScreen(s.screenWidth, s.screenHeight);
  }
  page_text(3, "");
  platform = Platform{};
  emu::installWindowSystem(
      emu::Native{nativeWait, [] {}, nowMs, nativeCreate, nativeDestroy, nullptr, nativeSleep});
  // One thread: the process waits to start in the loop's first idle moment.
  platform.createThread = [](ThreadBody body, void* parameter) -> Handle {
    State& st = state();
    if (st.process.pending || !body) return 0;
    st.process = Process{body, parameter, true};
    return 1;
  };
  // A running process cannot be unwound from outside: it is halted at its next wait.
  platform.terminateThread = [](Handle) {
    Process& process = state().process;
    if (!process.running) return 0;
    process.halted = true;
    return 1;
  };
  platform.messageBox = messageBox;
  platform.showCursor = [](int show) {
    State& st = state();
    st.cursorCount += show ? 1 : -1;
    page_cursor(st.cursorCount >= 0);
    return st.cursorCount;
  };
  platform.getSystemMetrics = [](int index) {
    int w = 0, h = 0;
    screenSize(w, h);
    return index == SM_CXSCREEN ? w : index == SM_CYSCREEN ? h : 0;
  };
  platform.setClipboardViewer = [](Handle) -> Handle { return 0; };
  platform.changeClipboardChain = [](Handle, Handle) { return 1; };
  platform.commandLineArguments = [] { return std::vector<std::wstring>{L"brinemere"}; };
  platform.createSurface = emu::createSurface;
  platform.releaseSurface = emu::releaseSurface;
  platform.bitBlt = bitBlt;
  platform.presentRects = presentRects;
  // The millisecond clock paces, as on the headless target: the page has no
  // vertical-blank wait, and a spin on a finer clock would hold the page.
  emu::installMillisecondClock();
  platform.enumMonitors = [](std::vector<Rect>& monitors) {
    int w = 0, h = 0;
    screenSize(w, h);
    monitors.assign(1, Rect{0, 0, w, h});
    return 1;
  };
  platform.monitorFrequency = [](int index) { return index == 0 ? 60 : 0; };
  emu::installResources(platform);
  installPictures(platform);
  installNoFiles(platform);
  emu::installCanvasPainting(platform, [](Handle dc) -> emu::Canvas* {
    return dc && dc == state().mainWindow ? &state().canvas : nullptr;
  });
  if (!s.listening) {
    s.listening = true;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    page_listen();
  }
}

std::vector<std::pair<std::string, std::string>> pageParameters() {
  char* query = page_query();
  const std::string text = query ? query : "";
  std::free(query);
  // %XX and '+' as a form writes them; a broken escape stays as written.
  const auto decode = [](const std::string& in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
      if (in[i] == '+') {
        out += ' ';
      } else if (in[i] == '%' && i + 2 < in.size() &&
                 std::isxdigit(static_cast<unsigned char>(in[i + 1])) &&
                 std::isxdigit(static_cast<unsigned char>(in[i + 2]))) {
        out += static_cast<char>(std::stoi(in.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        out += in[i];
      }
    }
    return out;
  };
  std::vector<std::pair<std::string, std::string>> parameters;
  std::size_t at = 0;
  while (at <= text.size() && !text.empty()) {
    std::size_t end = text.find('&', at);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(at, end - at);
    const std::size_t equals = item.find('=');
    if (!item.empty()) {
      parameters.emplace_back(decode(item.substr(0, equals)),
                              equals == std::string::npos ? "" : decode(item.substr(equals + 1)));
    }
    at = end + 1;
  }
  return parameters;
}

void postKey(int virtualKey, bool down) {
  const Handle window = emu::firstTopLevelWindow();
  if (!window) return;
  const LParam lParam = down ? 1 : static_cast<LParam>(0xC0000001u);
  emu::post(window, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WParam>(virtualKey), lParam);
}

const emu::Canvas* windowCanvas() {
  return state().canvas.pixels.empty() ? nullptr : &state().canvas;
}

int framesPresented() { return state().frames; }

void showFrame() {
  State& s = state();
  putOnPage(0, 0, s.canvas.width, s.canvas.height);
}

void report(const std::string& line) { page_text(0, line.c_str()); }

void warn(const std::string& line) { page_text(1, line.c_str()); }

void waitForRestart() {
  State& s = state();
  s.stopped = true;
  s.restart = false;
  if (!s.first.empty()) {
    if (s.firstWidth != s.canvas.width || s.firstHeight != s.canvas.height) {
      page_size_canvas(s.firstWidth, s.firstHeight, s.firstScreenWidth, s.firstScreenHeight);
    }
    page_put_pixels(s.first.data(), s.firstWidth, s.firstHeight, 0, 0);
  }
  page_text(3, "Stopped. Click or press a key to start the sea again.");
  while (!s.restart) yieldToPage(longestYield);
  page_text(3, "");
  s.stopped = false;
}

double realMilliseconds() { return emscripten_get_now(); }

bool endedByResize() { return state().resizeEnded && !state().escapePressed; }

}  // namespace web

// Called by the page's listeners.
extern "C" {
EMSCRIPTEN_KEEPALIVE void web_page_double_click() { page_toggle_full_screen(); }
EMSCRIPTEN_KEEPALIVE void web_page_click() {
  if (web::state().stopped) web::state().restart = true;
}
}

void installPlatform() { web::configure(web::Options{}); }
