// Windows and messages on user32: window classes, windows, the message loop,
// message boxes, the cursor, window timers, metrics and the clipboard-viewer chain.
//
// The portable window procedure has no WINAPI calling convention, so every class
// we register gets one trampoline that looks the portable procedure up by the
// class atom and forwards the message unchanged.

#include "platform/win32/backend.h"

#include <windows.h>

namespace win32 {
namespace {

// One entry per registered class; a program registers one or two.
struct ClassProcedure {
  ATOM atom;
  WindowProcedure procedure;
};
constexpr int maxClasses = 8;

struct WindowState {
  ClassProcedure classes[maxClasses];
  int classCount;
  MSG lastMessage;  // the message getMessage took, with its time and position
};
WindowState state;

HWND hwnd(Handle h) { return reinterpret_cast<HWND>(h); }

WindowProcedure procedureOf(HWND window) {
  const ATOM atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
  for (int i = 0; i < state.classCount; ++i) {
    if (state.classes[i].atom == atom) return state.classes[i].procedure;
  }
  return nullptr;
}

LRESULT CALLBACK trampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const WindowProcedure procedure = procedureOf(window);
  if (!procedure) return DefWindowProcW(window, message, wParam, lParam);
  return procedure(reinterpret_cast<Handle>(window), message, wParam, lParam);
}

// ---- windows ------------------------------------------------------------------

// The main class carries the icon (ours, else the standard one) and a cursor; the
// preview child's class asks for neither (withIcon 0) and gets no cursor either.
int registerClass(const WindowClass& windowClass, WindowProcedure procedure) {
  if (!windowClass.name || !procedure || state.classCount == maxClasses) return 0;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;  // 48
  c.style = windowClass.style;
  c.lpfnWndProc = trampoline;
  c.hInstance = instance;
  if (windowClass.withIcon) {
    c.hIcon = LoadIconW(instance, L"ICON_MAIN");
    if (!c.hIcon) c.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  }
  if (windowClass.customCursor) c.hCursor = LoadCursorW(instance, L"USER_CURSOR");
  if (!c.hCursor && windowClass.withIcon) c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  if (windowClass.blackBackground)
    c.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  c.lpszClassName = windowClass.name;
  const ATOM atom = RegisterClassExW(&c);
  if (!atom) return 0;
  state.classes[state.classCount++] = ClassProcedure{atom, procedure};
  return 1;
}

Handle createWindow(const wchar_t* className, const wchar_t* title, std::uint32_t style, int x,
                    int y, int width, int height, Handle parent) {
  const HWND window = CreateWindowExW(0, className, title, style, x, y, width, height, hwnd(parent),
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
  return reinterpret_cast<Handle>(window);
}

void showWindow(Handle window, int showCommand) { ShowWindow(hwnd(window), showCommand); }
void updateWindow(Handle window) { UpdateWindow(hwnd(window)); }
int destroyWindow(Handle window) { return DestroyWindow(hwnd(window)) ? 1 : 0; }

// ---- messages -----------------------------------------------------------------

int getMessage(Message& message) {
  MSG& m = state.lastMessage;
  const BOOL result = GetMessageW(&m, nullptr, 0, 0);
  if (result == -1) {
    // Only a bad window filter fails, and we pass none; end the loop cleanly.
    message = Message{0, WM_QUIT, 0, 0};
    return 0;
  }
  message = Message{reinterpret_cast<Handle>(m.hwnd), m.message, m.wParam, m.lParam};
  return result ? 1 : 0;
}

void dispatchMessage(const Message& message) {
  MSG m = state.lastMessage;
  if (reinterpret_cast<Handle>(m.hwnd) != message.window || m.message != message.message ||
      m.wParam != message.wParam || m.lParam != message.lParam) {
    // Not the message just taken: rebuild it with the current time and position.
    m = MSG{};
    m.hwnd = hwnd(message.window);
    m.message = message.message;
    m.wParam = message.wParam;
    m.lParam = message.lParam;
    m.time = static_cast<DWORD>(GetMessageTime());
    const DWORD position = GetMessagePos();
    m.pt.x = static_cast<short>(LOWORD(position));
    m.pt.y = static_cast<short>(HIWORD(position));
  }
  TranslateMessage(&m);
  DispatchMessageW(&m);
}

LResult defWindowProc(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  return DefWindowProcW(hwnd(window), message, wParam, lParam);
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

LResult sendMessage(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  SafeWait waiting;  // for a reply, as the process thread's last WM_CLOSE does
  return SendMessageW(hwnd(window), message, wParam, lParam);
}

int postMessage(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  return PostMessageW(hwnd(window), message, wParam, lParam) ? 1 : 0;
}

int messageBox(Handle owner, const wchar_t* text, const wchar_t* caption, std::uint32_t type) {
  return MessageBoxW(hwnd(owner), text, caption, type);
}

// ---- cursor, timers, metrics, placement -----------------------------------------

int showCursor(int show) { return ShowCursor(show ? TRUE : FALSE); }

int setTimer(Handle window, std::uintptr_t id, std::uint32_t milliseconds) {
  return SetTimer(hwnd(window), id, milliseconds, nullptr) ? 1 : 0;
}

int killTimer(Handle window, std::uintptr_t id) { return KillTimer(hwnd(window), id) ? 1 : 0; }

int getSystemMetrics(int index) { return GetSystemMetrics(index); }

Handle findWindow(const wchar_t* title) {
  return reinterpret_cast<Handle>(FindWindowW(nullptr, title));
}

int getClientRect(Handle window, Rect& rect) {
  RECT r;
  if (!GetClientRect(hwnd(window), &r)) return 0;
  rect = Rect{r.left, r.top, r.right, r.bottom};
  return 1;
}

int bringToTop(Handle window) {
  return SetWindowPos(hwnd(window), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) ? 1 : 0;
}

int moveWindow(Handle window, int x, int y, int width, int height, int repaint) {
  return MoveWindow(hwnd(window), x, y, width, height, repaint ? TRUE : FALSE) ? 1 : 0;
}

Handle setClipboardViewer(Handle window) {
  return reinterpret_cast<Handle>(SetClipboardViewer(hwnd(window)));
}

int changeClipboardChain(Handle window, Handle next) {
  return ChangeClipboardChain(hwnd(window), hwnd(next)) ? 1 : 0;
}

}  // namespace

// Registered classes outlive a reinstall, so their table does too.
void installWindows(Platform& p) {
  p.registerClass = registerClass;
  p.createWindow = createWindow;
  p.showWindow = showWindow;
  p.updateWindow = updateWindow;
  p.destroyWindow = destroyWindow;
  p.getMessage = getMessage;
  p.dispatchMessage = dispatchMessage;
  p.defWindowProc = defWindowProc;
  p.postQuitMessage = postQuitMessage;
  p.sendMessage = sendMessage;
  p.postMessage = postMessage;
  p.messageBox = messageBox;
  p.showCursor = showCursor;
  p.setTimer = setTimer;
  p.killTimer = killTimer;
  p.getSystemMetrics = getSystemMetrics;
  p.findWindow = findWindow;
  p.getClientRect = getClientRect;
  p.bringToTop = bringToTop;
  p.moveWindow = moveWindow;
  p.setClipboardViewer = setClipboardViewer;
  p.changeClipboardChain = changeClipboardChain;
}

}  // namespace win32
