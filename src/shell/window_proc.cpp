// The window procedure: messages become InputState updates and hook calls. Also the
// cursor auto-hide, the clipboard-viewer chain, the close handshake with the process
// thread, the refusal of display changes and the run-time error box.

#include "input/input_state.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

inline void call(Hook hook) {
  if (hook) hook();
}

const wchar_t displayChangeText[] =
    L"Adequate Desktop Resizing or Rotation on the fly - not support.  \n"
    L"Run this program after these operations, please.";

LResult previewProc(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  switch (message) {
    case WM_DESTROY:
      platform.postQuitMessage(0);
      return 0;
    case WM_PAINT:
      shell.windowDC = platform.beginPaint(window);
      call(shellConfig.previewPainter);
      platform.endPaint(window);
      return 0;
    default:
      return platform.defWindowProc(window, message, wParam, lParam);
  }
}

// Button messages come in threes (down, up, double click) per button.
void buttonEvent(std::uint32_t message, volatile int& buttonFlag) {
  if (shell.inputReplaying) return;
  switch ((message - WM_LBUTTONDOWN) % 3) {
    case 0:
      input.buttonDown = 1;
      break;
    case 1:
      input.buttonUp = 1;
      break;
    default:
      input.doubleClick = 1;
      break;
  }
  buttonFlag = 1;
}

void armCursorAutoHide() {
  if (shellConfig.cursorVisible == 0 && shellConfig.cursorHideDelayMs != 0 && input.moved &&
      shell.cursorShown == 0) {
    shell.cursorShown = 1;
    platform.showCursor(1);
    setUserTimer(shell.cursorTimerSlot, shellConfig.cursorHideDelayMs, 1, autoHideTick);
  }
}

}  // namespace

void autoHideTick() {
  if (input.moved == 0 && shell.keepCursor == 0) {
    platform.showCursor(0);
    shell.cursorShown = 0;
  } else {
    setUserTimer(shell.cursorTimerSlot, shellConfig.cursorHideDelayMs, 1, autoHideTick);
  }
}

void terminateProcess() {
  if (!userCallbacks.process) return;
  if (shell.processThread) {
    platform.terminateThread(shell.processThread);
    shell.processThread = 0;
  }
  shell.closeAllowed = 1;
}

void showRuntimeError(const wchar_t* text) {
  platform.messageBox(shell.mainWindow, text, L"Process Runtime Error", MB_ICONERROR);
  platform.sendMessage(shell.mainWindow, WM_CLOSE, 0, 0);
}

LResult windowProc(Handle window, std::uint32_t message, WParam wParam, LParam lParam) {
  shell.lastWParam = static_cast<std::uint32_t>(wParam);
  shell.lastLParam = static_cast<std::int32_t>(lParam);
  if (shell.previewMode) return previewProc(window, message, wParam, lParam);

  switch (message) {
    case WM_CREATE:
      shell.mainWindow = window;
      shell.windowCreated = 1;
      if (shell.clipboardViewer) shell.nextClipboardViewer = platform.setClipboardViewer(window);
      call(userCallbacks.onCreate);
      return 0;

    case WM_DESTROY:
      if (shell.clipboardViewer) {
        platform.changeClipboardChain(shell.mainWindow, shell.nextClipboardViewer);
      }
      call(userCallbacks.onDestroy);
      if (shell.windowDC) {
        platform.releaseDC(shell.mainWindow, shell.windowDC);
        shell.windowDC = 0;
      }
      platform.postQuitMessage(0);
      return 0;

    case WM_PAINT:
      if (shell.windowDC) {
        platform.beginPaint(shell.mainWindow);
        if (shell.settingsMode) {
          call(userCallbacks.settingsPainter);
        } else if (const Handle surface = backBuffer.surface) {
          // Loaded once: the process thread may clear it at any moment.
          backBuffer.repainted = 1;
          platform.bitBlt(shell.windowDC, 0, 0, shellConfig.windowWidth, shellConfig.windowHeight,
                          surface, 0, 0);
        }
        platform.endPaint(shell.mainWindow);
      }
      call(userCallbacks.onPaint);
      return 0;

    case WM_CLOSE:
      if (shell.processFinished == 0) terminateProcess();
      if (shell.closeAllowed) return platform.defWindowProc(window, message, wParam, lParam);
      return 1;

    case WM_GETMINMAXINFO:
      // lParam points at the system's MINMAXINFO; the maximum tracking size is its
      // fifth POINT (after reserved, max size, max position and min tracking size).
      if (lParam) {
        std::int32_t* info = reinterpret_cast<std::int32_t*>(lParam);
        info[8] = shellConfig.windowWidth;
        info[9] = shellConfig.windowHeight;
      }
      return 0;

    case WM_DISPLAYCHANGE:
      if (backBuffer.pixels) {
        shell.displayChanged = 1;
        if (shellConfig.cursorVisible == 0) platform.showCursor(1);
        platform.messageBox(shell.mainWindow, displayChangeText, shellConfig.title, MB_OK);
        platform.sendMessage(shell.mainWindow, WM_CLOSE, 0, 0);
      }
      return 0;

    case WM_KEYDOWN:
      keyDown(static_cast<int>(wParam), 0);
      call(userCallbacks.onKeyDown);
      return 0;

    case WM_KEYUP:
      keyUp(static_cast<int>(wParam), 0);
      call(userCallbacks.onKeyUp);
      return 0;

    case WM_TIMER: {
      const std::uintptr_t slot = wParam - timerIdBase;
      if (slot >= static_cast<std::uintptr_t>(timerSlotCount)) return 0;  // not ours
      TimerSlot& t = timerSlots[slot];
      t.timerActive = 1 - t.timerActive;
      if (t.timerAutoKill) killUserTimer(static_cast<int>(slot));
      call(t.timerCallback);
      return 0;
    }

    case WM_MOUSEMOVE: {
      const int x = static_cast<int>(lParam & 0xFFFF);
      const int y = static_cast<int>((lParam >> 16) & 0xFFFF);
      shell.mouseX = x;
      shell.mouseY = y;
      if (!shell.inputReplaying) mouseMove(x, y);
      armCursorAutoHide();
      call(userCallbacks.onMouseMove);
      return 0;
    }

    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      buttonEvent(message, input.leftButton);
      call(message == WM_LBUTTONDOWN ? userCallbacks.onLeftButtonDown
           : message == WM_LBUTTONUP ? userCallbacks.onLeftButtonUp
                                     : userCallbacks.onLeftDoubleClick);
      return 0;

    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      buttonEvent(message, input.rightButton);
      call(message == WM_RBUTTONDOWN ? userCallbacks.onRightButtonDown
           : message == WM_RBUTTONUP ? userCallbacks.onRightButtonUp
                                     : userCallbacks.onRightDoubleClick);
      return 0;

    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      buttonEvent(message, input.middleButton);
      call(message == WM_MBUTTONDOWN ? userCallbacks.onMiddleButtonDown
           : message == WM_MBUTTONUP ? userCallbacks.onMiddleButtonUp
                                     : userCallbacks.onMiddleDoubleClick);
      return 0;

    case WM_MOUSEWHEEL:
      if (!shell.inputReplaying) input.wheel = static_cast<std::uint32_t>(wParam);
      call(userCallbacks.onMouseWheel);
      return 0;

    case WM_COPY:
      call(userCallbacks.onCopy);
      return 0;

    case WM_PASTE:
      call(userCallbacks.onPaste);
      return 0;

    case WM_DRAWCLIPBOARD:
      if (userCallbacks.onClipboardChange) {
        userCallbacks.onClipboardChange();
        if (shell.clipboardViewer) {
          platform.sendMessage(shell.nextClipboardViewer, WM_DRAWCLIPBOARD, 0, 0);
        }
      }
      return 0;

    case WM_CHANGECBCHAIN:
      if (shell.clipboardViewer) {
        if (static_cast<Handle>(wParam) == shell.nextClipboardViewer) {
          shell.nextClipboardViewer = static_cast<Handle>(lParam);
        } else if (shell.nextClipboardViewer) {
          platform.sendMessage(shell.nextClipboardViewer, WM_CHANGECBCHAIN, wParam, lParam);
        }
      }
      return 0;

    default:
      return platform.defWindowProc(window, message, wParam, lParam);
  }
}
