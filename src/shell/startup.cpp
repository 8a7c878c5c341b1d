// Start-up: the framework's registration step, the program name, the command line,
// the three run modes, the process thread and the end of the run.
//
// Run modes: no argument or /s: the full-screen window with a process thread;
// /p <handle>: a child of the host window, painted on WM_PAINT, no thread;
// anything else: settings mode when a settings painter exists, else the help box.

#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "blend/dispatch.h"
#include "image/base_spr.h"
#include "input/input_state.h"
#include "shell/shell.h"
#include "surface/saved_rects.h"
#include "surface/surface.h"

namespace {

const wchar_t defaultHelpText[] =
    L"\nExit - key Esc\n\nOther controls look at the left-down corner after Run.\n\n\n"
    L"\u0412\u044b\u0445\u043e\u0434 - \u043a\u043b\u0430\u0432\u0438\u0448\u0430 Esc\n\n"
    L"\u041f\u0440\u043e\u0447\u0438\u0435 \u0443\u043f\u0440\u0430\u0432\u043b\u0435\u043d\u0438"
    L"\u044f \u0441\u043c\u043e\u0442\u0440\u0438\u0442\u0435 \u0432 \u043b\u0435\u0432\u043e\u043c"
    L"-\u043d\u0438\u0436\u043d\u0435\u043c \u0443\u0433\u043b\u0443   \n\u043f\u043e\u0441\u043b"
    L"\u0435 \u0417\u0430\u043f\u0443\u0441\u043a\u0430.\n ";

bool equalsIgnoringCase(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return i == a.size() && b[i] == 0;
}

// wcstol with base 10: leading blanks, a sign, digits; 0 when no number starts it.
// Out-of-range values saturate as wcstol's do, then wrap to the handle's width.
Handle readHandle(const std::wstring& text) {
  const long value = std::wcstol(text.c_str(), nullptr, 10);
  return static_cast<Handle>(static_cast<std::intptr_t>(value));
}

}  // namespace

ShellConfig shellConfig{.helpText = defaultHelpText,
                        .settingsProcess = defaultProcess,
                        .previewPainter = defaultPreviewPainter};
UserCallbacks userCallbacks;
ShellState shell;

void resetShellState() {
  shellConfig = ShellConfig{.helpText = defaultHelpText,
                            .settingsProcess = defaultProcess,
                            .previewPainter = defaultPreviewPainter};
  userCallbacks = UserCallbacks{};
  shell = ShellState{};
  for (TimerSlot& slot : timerSlots) slot = TimerSlot{};
}

void registerFramework() {
  splashTimerSlot = allocateTimerSlot();
  backBuffer.viewLeft = backBuffer.viewTop = backBuffer.viewRight = backBuffer.viewBottom = -1;
  initSavedRects();
  constructGlobalPicture();
  installDefaultCoverageRoutines();
  initInput();
  shell.cursorTimerSlot = allocateTimerSlot();
  platform.timeBeginPeriod(1);
}

void extractProgramName() {
  const std::vector<std::wstring> args = platform.commandLineArguments();
  const std::wstring path = args.empty() ? std::wstring() : args[0];
  std::size_t start = path.size();
  while (start > 0 && !platform.isFolderSeparator(path[start - 1])) --start;
  int n = 0;
  for (std::size_t i = start; i < path.size() && path[i] != L'.' && n < 255; ++i, ++n) {
    shell.programName[n] = path[i];
    shell.programNameAnsi[n] = static_cast<char>(path[i] & 0xFF);
  }
  shell.programName[n] = 0;
  shell.programNameAnsi[n] = 0;
  if (shellConfig.titleFromProgramName) shellConfig.title = shell.programName;
}

int parseCommandLine() {
  shell.previewMode = shell.saverMode = shell.settingsMode = 0;
  const std::vector<std::wstring> args = platform.commandLineArguments();
  if (args.size() <= 1) return 0;
  if (equalsIgnoringCase(args[1], L"/s")) {
    shell.saverMode = 1;
    return 0;
  }
  if (args.size() >= 3 && equalsIgnoringCase(args[1], L"/p")) {
    shell.previewParent = readHandle(args[2]);
    if (shell.previewParent == 0) return 1;
    shell.previewMode = 1;
    return 0;
  }
  if (userCallbacks.settingsPainter) {
    shell.settingsMode = 1;
    return 0;
  }
  platform.messageBox(shell.mainWindow, shellConfig.helpText, shellConfig.helpCaption, MB_OK);
  return 1;
}

namespace {

int runPreview() {
  Rect r{};
  // A handle that names no window: end at once rather than wait for messages
  // that will never come.
  if (!platform.getClientRect(shell.previewParent, r)) return 0;
  shell.previewRect = r;
  const WindowClass windowClass{shellConfig.title, CS_PARENTDC, 0, 0, 0};
  if (!platform.registerClass(windowClass, windowProc)) return 0;
  shell.mainWindow = platform.createWindow(shellConfig.title, shellConfig.title,
                                           WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0,
                                           r.right - r.left, r.bottom - r.top, shell.previewParent);
  return shell.mainWindow ? 1 : 0;
}

int runWindow(int showCommand) {
  shell.previousInstanceWindow = platform.findWindow(shellConfig.title);
  if (shell.settingsMode) {
    shellConfig.windowStyle = WS_CAPTION | WS_SYSMENU;
    shellConfig.windowWidth = shellConfig.settingsWidth;
    shellConfig.windowHeight = shellConfig.settingsHeight;
    userCallbacks.process = shellConfig.settingsProcess;
  }
  const WindowClass windowClass{shellConfig.title, 0, 1, shellConfig.useCustomCursor, 1};
  if (!platform.registerClass(windowClass, windowProc)) return 0;
  if (userCallbacks.beforeWindow) userCallbacks.beforeWindow();
  const int x = platform.getSystemMetrics(SM_CXSCREEN) / 2 - shellConfig.windowWidth / 2;
  const int y = platform.getSystemMetrics(SM_CYSCREEN) / 2 - shellConfig.windowHeight / 2;
  const Handle window =
      platform.createWindow(shellConfig.title, shellConfig.title, shellConfig.windowStyle, x, y,
                            shellConfig.windowWidth, shellConfig.windowHeight, 0);
  if (!window) return 0;
  shell.mainWindow = window;
  platform.showWindow(window, showCommand);
  platform.updateWindow(window);
  shell.windowDC = platform.getDC(window);
  startProcessThread();
  if (!shell.settingsMode) platform.showCursor(shellConfig.cursorVisible);
  return 1;
}

}  // namespace

int shellMain(Handle instance, int showCommand) {
  shell.instance = instance;
  extractProgramName();
  if (shellConfig.parseCommandLine && parseCommandLine()) return 0;
  const int ready = shell.previewMode ? runPreview() : runWindow(showCommand);
  if (!ready) return 0;
  if (userCallbacks.beforeMessageLoop) userCallbacks.beforeMessageLoop();
  Message message{};
  while (platform.getMessage(message)) platform.dispatchMessage(message);
  if (shell.windowDC) platform.releaseDC(shell.mainWindow, shell.windowDC);
  return static_cast<int>(message.wParam);
}

void startProcessThread() {
  shell.closeAllowed = 1;
  if (!userCallbacks.process) return;
  shell.processThread =
      platform.createThread(processThreadMain, reinterpret_cast<void*>(shell.mainWindow.load()));
  if (!shell.processThread) return;
  if (shellConfig.processPriority == 2) {
    platform.setThreadPriority(shell.processThread, THREAD_PRIORITY_TIME_CRITICAL);
  } else if (shellConfig.processPriority == 1) {
    platform.setThreadPriority(shell.processThread, THREAD_PRIORITY_HIGHEST);
  }
}

std::uint32_t processThreadMain(void*) {
  platform.sleep(10);
  shell.processFinished = 0;
  shell.closeAllowed = 0;
  userCallbacks.process();
  shell.processFinished = 1;
  shell.closeAllowed = 1;
  platform.sendMessage(shell.mainWindow, WM_CLOSE, 0, 0);
  return 0;
}

void requestExit() {
  shell.processFinished = 1;
  shell.closeAllowed = 1;
  platform.sendMessage(shell.mainWindow, WM_CLOSE, 0, 0);
}

int closePreviousInstance() {
  if (!shell.previousInstanceWindow) return 0;
  platform.sendMessage(shell.previousInstanceWindow, WM_CLOSE, 0, 0);
  return 1;
}

void defaultProcess() {
  for (;;) platform.sleep(1000);
}

void defaultPreviewPainter() {
  platform.fillRectStock(shell.windowDC, shell.previewRect, DKGRAY_BRUSH);
  shell.previewRect = Rect{5, 5, 147, 107};
  platform.fillRectStock(shell.windowDC, shell.previewRect, GRAY_BRUSH);
  platform.textOut(shell.windowDC, 76, 47, shellConfig.previewText, 0x7F7F7F, 0xFFFFFF, TA_CENTER);
}
