// The recording fake of the platform record.

#include "fake_platform.h"

#include <string>

#include "input/input_state.h"
#include "shell/shell.h"
#include "surface/surface.h"

FakePlatform* fake = nullptr;

namespace {

std::string narrow(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) out += static_cast<char>(*text & 0x7F);
  return out;
}

void record(const std::string& line) { fake->calls.push_back(line); }
// Records a call and gives back its result.
template <typename Result>
Result recorded(const std::string& line, Result result) {
  record(line);
  return result;
}

std::string n(long long v) { return std::to_string(v); }

}  // namespace

void FakePlatform::install() {
  fake = this;
  platform = Platform{};
  platform.registerClass = [](const WindowClass& c, WindowProcedure) {
    return recorded("RegisterClass " + narrow(c.name) + " " + n(c.style) + " icon " + n(c.withIcon),
                    fake->registerResult);
  };
  platform.createWindow = [](const wchar_t* className, const wchar_t* title, std::uint32_t style,
                             int x, int y, int w, int h, Handle parent) -> Handle {
    return recorded("CreateWindow " + narrow(className) + "|" + narrow(title) + " " + n(style) +
                        " " + n(x) + " " + n(y) + " " + n(w) + " " + n(h) + " " +
                        n(static_cast<long long>(parent)),
                    fake->nextWindow);
  };
  platform.showWindow = [](Handle w, int c) { record("ShowWindow " + n(w) + " " + n(c)); };
  platform.updateWindow = [](Handle w) { record("UpdateWindow " + n(w)); };
  platform.destroyWindow = [](Handle w) { return recorded("DestroyWindow " + n(w), 1); };
  // The loop of a test run ends at once: WM_QUIT with exit code 0.
  platform.getMessage = [](Message& m) {
    record("GetMessage");
    m = Message{0, WM_QUIT, 0, 0};
    return 0;
  };
  platform.dispatchMessage = [](const Message&) { record("DispatchMessage"); };
  platform.defWindowProc = [](Handle w, std::uint32_t m, WParam, LParam) -> LResult {
    record("DefWindowProc " + n(w) + " " + n(m));
    ++fake->defWindowProcCalls;
    return 0;
  };
  // Paths as Windows writes them: only the backslash separates folders.
  platform.isFolderSeparator = [](wchar_t c) { return c == L'\\' || c == L'/' ? 1 : 0; };
  platform.postQuitMessage = [](int code) { record("PostQuitMessage " + n(code)); };
  platform.sendMessage = [](Handle w, std::uint32_t m, WParam wp, LParam lp) -> LResult {
    return recorded(
        "SendMessage " + n(w) + " " + n(m) + " " + n(static_cast<long long>(wp)) + " " + n(lp), 0);
  };
  platform.postMessage = [](Handle w, std::uint32_t m, WParam, LParam) {
    return recorded("PostMessage " + n(w) + " " + n(m), 1);
  };
  platform.messageBox = [](Handle owner, const wchar_t* text, const wchar_t* caption,
                           std::uint32_t type) {
    record("MessageBox " + n(owner) + " " + n(type));
    fake->boxTexts.push_back(text ? text : L"");
    fake->boxCaptions.push_back(caption ? caption : L"");
    return 1;
  };
  platform.showCursor = [](int show) { return recorded("ShowCursor " + n(show), show ? 0 : -1); };
  platform.setTimer = [](Handle w, std::uintptr_t id, std::uint32_t ms) {
    return recorded("SetTimer " + n(w) + " " + n(id) + " " + n(ms), 1);
  };
  platform.killTimer = [](Handle w, std::uintptr_t id) {
    return recorded("KillTimer " + n(w) + " " + n(id), fake->killTimerResult);
  };
  platform.getSystemMetrics = [](int index) {
    return index == SM_CXSCREEN ? fake->screenWidth : index == SM_CYSCREEN ? fake->screenHeight : 0;
  };
  platform.findWindow = [](const wchar_t* title) {
    return recorded("FindWindow " + narrow(title), fake->foundWindow);
  };
  platform.getClientRect = [](Handle w, Rect& r) {
    record("GetClientRect " + n(w));
    r = fake->clientRect;
    return fake->clientRectResult;
  };
  platform.bringToTop = [](Handle w) { return recorded("BringToTop " + n(w), 1); };
  platform.moveWindow = [](Handle w, int x, int y, int width, int height, int) {
    return recorded(
        "MoveWindow " + n(w) + " " + n(x) + " " + n(y) + " " + n(width) + " " + n(height), 1);
  };
  platform.setClipboardViewer = [](Handle w) {
    return recorded("SetClipboardViewer " + n(w), fake->clipboardNext);
  };
  platform.changeClipboardChain = [](Handle w, Handle next) {
    return recorded("ChangeClipboardChain " + n(w) + " " + n(next), 1);
  };
  platform.commandLineArguments = [] { return fake->arguments; };
  platform.getDC = [](Handle w) -> Handle { return recorded("GetDC " + n(w), Handle{0xDC}); };
  platform.releaseDC = [](Handle w, Handle dc) {
    return recorded("ReleaseDC " + n(w) + " " + n(dc), 1);
  };
  platform.beginPaint = [](Handle w) -> Handle {
    return recorded("BeginPaint " + n(w), Handle{0xBC});
  };
  platform.endPaint = [](Handle w) { record("EndPaint " + n(w)); };
  platform.fillRectStock = [](Handle dc, const Rect& r, int brush) {
    return recorded("FillRect " + n(dc) + " " + n(r.left) + " " + n(r.top) + " " + n(r.right) +
                        " " + n(r.bottom) + " " + n(brush),
                    1);
  };
  platform.textOut = [](Handle dc, int x, int y, const wchar_t* text, std::uint32_t back,
                        std::uint32_t fore, std::uint32_t align) {
    return recorded("TextOut " + n(dc) + " " + n(x) + " " + n(y) + " " + narrow(text) + " " +
                        n(back) + " " + n(fore) + " " + n(align),
                    1);
  };
  platform.drawPicture = [](Handle dc, const PictureData& p, int x, int y) {
    return recorded(
        "DrawPicture " + n(dc) + " " + n(x) + " " + n(y) + " " + n(p.width) + " " + n(p.height), 1);
  };
  platform.bitBlt = [](Handle dc, int x, int y, int w, int h, Handle s, int sx, int sy) {
    return recorded("BitBlt " + n(dc) + " " + n(x) + " " + n(y) + " " + n(w) + " " + n(h) + " " +
                        n(static_cast<long long>(s)) + " " + n(sx) + " " + n(sy),
                    1);
  };
  platform.presentRects = [](Handle dc, Handle s, const Rect* rects, int count) {
    for (int i = 0; i < count; ++i) {
      const Rect& r = rects[i];
      platform.bitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, s, r.left, r.top);
    }
    return 1;
  };
  platform.createThread = [](ThreadBody, void* p) -> Handle {
    return recorded("CreateThread " + n(reinterpret_cast<long long>(p)), Handle{0x7EAD});
  };
  platform.terminateThread = [](Handle t) { return recorded("TerminateThread " + n(t), 1); };
  platform.setThreadPriority = [](Handle t, int p) {
    return recorded("SetThreadPriority " + n(t) + " " + n(p), 1);
  };
  platform.sleep = [](std::uint32_t ms) { record("Sleep " + n(ms)); };
  platform.timeGetTime = [] { return 0u; };
  platform.timeBeginPeriod = [](std::uint32_t ms) { record("timeBeginPeriod " + n(ms)); };
}

std::vector<std::string> FakePlatform::callsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& c : calls) {
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  }
  return out;
}

bool FakePlatform::called(const std::string& line) const {
  for (const std::string& c : calls) {
    if (c == line) return true;
  }
  return false;
}

ShellSandbox::ShellSandbox() : savedPlatform(platform) {
  resetShellState();
  backBuffer = BackBuffer{};
  initInput();
  platformFake.install();
}

ShellSandbox::~ShellSandbox() {
  resetShellState();
  backBuffer = BackBuffer{};
  initInput();
  platform = savedPlatform;
  fake = nullptr;
}
