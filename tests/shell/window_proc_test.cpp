// The window procedure, driven by synthetic messages through the recording fake.

#include <gtest/gtest.h>

#include <cstdint>

#include "fake_platform.h"
#include "input/input_state.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

constexpr Handle window = 0x500;

LResult send(std::uint32_t message, WParam wParam = 0, LParam lParam = 0) {
  return windowProc(window, message, wParam, lParam);
}

int hookCalls;
void countHook() { ++hookCalls; }
int otherHookCalls;
void otherHook() { ++otherHookCalls; }

struct WindowProc : ::testing::Test {
  ShellSandbox sandbox;
  void SetUp() override {
    hookCalls = 0;
    otherHookCalls = 0;
    shell.mainWindow = window;
  }
};

}  // namespace

TEST_F(WindowProc, StoresTheParametersOfEveryMessage) {
  send(0x1234, 0xAABBCCDD, -5);
  EXPECT_EQ(shell.lastWParam, 0xAABBCCDDu);
  EXPECT_EQ(shell.lastLParam, -5);
}

TEST_F(WindowProc, CreateAndDestroy) {
  shell.mainWindow = 0;
  userCallbacks.onCreate = countHook;
  userCallbacks.onDestroy = otherHook;
  EXPECT_EQ(send(WM_CREATE), 0);
  EXPECT_EQ(shell.mainWindow, window);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_TRUE(fake->callsStartingWith("SetClipboardViewer").empty());
  shell.windowDC = 0xDC;
  EXPECT_EQ(send(WM_DESTROY), 0);
  EXPECT_EQ(otherHookCalls, 1);
  EXPECT_TRUE(fake->called("ReleaseDC 1280 220"));
  EXPECT_TRUE(fake->called("PostQuitMessage 0"));
}

TEST_F(WindowProc, PaintCopiesTheBackBufferOnlyOnceTheWindowHasADeviceContext) {
  userCallbacks.onPaint = countHook;
  backBuffer.surface = 0x5F;
  send(WM_PAINT);
  EXPECT_TRUE(fake->callsStartingWith("BeginPaint").empty());
  EXPECT_EQ(hookCalls, 1);
  shell.windowDC = 0xDC;
  shellConfig.windowWidth = 1368;
  shellConfig.windowHeight = 768;
  send(WM_PAINT);
  const std::vector<std::string> expected = {"BeginPaint 1280", "BitBlt 220 0 0 1368 768 95 0 0",
                                             "EndPaint 1280"};
  EXPECT_EQ(fake->calls, expected);
  EXPECT_EQ(hookCalls, 2);
}

TEST_F(WindowProc, SettingsModePaintsWithTheSettingsPainter) {
  shell.settingsMode = 1;
  shell.windowDC = 0xDC;
  userCallbacks.settingsPainter = otherHook;
  send(WM_PAINT);
  EXPECT_EQ(otherHookCalls, 1);
  EXPECT_TRUE(fake->callsStartingWith("BitBlt").empty());
}

TEST_F(WindowProc, CloseWhileTheProcessRunsTerminatesIt) {
  userCallbacks.process = countHook;
  shell.processThread = 0x7EAD;
  shell.processFinished = 0;
  shell.closeAllowed = 0;
  send(WM_CLOSE);
  EXPECT_TRUE(fake->called("TerminateThread 32429"));
  EXPECT_EQ(shell.closeAllowed, 1);
  EXPECT_EQ(fake->defWindowProcCalls, 1);  // the window is destroyed
}

TEST_F(WindowProc, CloseAfterTheProcessFinishedDestroysWithoutTerminating) {
  userCallbacks.process = countHook;
  shell.processThread = 0x7EAD;
  shell.processFinished = 1;
  shell.closeAllowed = 1;
  send(WM_CLOSE);
  EXPECT_TRUE(fake->callsStartingWith("TerminateThread").empty());
  EXPECT_EQ(fake->defWindowProcCalls, 1);
}

TEST_F(WindowProc, CloseIsRefusedWhileNotAllowed) {
  // No process function: terminateProcess does nothing and closing stays refused.
  shell.processFinished = 0;
  shell.closeAllowed = 0;
  EXPECT_EQ(send(WM_CLOSE), 1);
  EXPECT_EQ(fake->defWindowProcCalls, 0);
}

TEST_F(WindowProc, MinMaxInfoKeepsAWindowLargerThanTheScreen) {
  shellConfig.windowWidth = 1368;
  shellConfig.windowHeight = 768;
  std::int32_t info[10] = {};
  send(WM_GETMINMAXINFO, 0, reinterpret_cast<LParam>(info));
  EXPECT_EQ(info[8], 1368);
  EXPECT_EQ(info[9], 768);
  EXPECT_EQ(info[2], 0);  // max size untouched
}

TEST_F(WindowProc, DisplayChangeIsRefusedOnceTheBackBufferExists) {
  send(WM_DISPLAYCHANGE);
  EXPECT_TRUE(fake->boxTexts.empty());
  static std::uint8_t pixel[4];
  backBuffer.pixels = pixel;
  shellConfig.cursorVisible = 0;
  shellConfig.title = L"Tarn : Brinemere";
  send(WM_DISPLAYCHANGE);
  EXPECT_EQ(shell.displayChanged, 1);
  ASSERT_EQ(fake->boxTexts.size(), 1u);
  EXPECT_EQ(fake->boxTexts[0],
            L"Adequate Desktop Resizing or Rotation on the fly - not support.  \n"
            L"Run this program after these operations, please.");
  EXPECT_EQ(fake->boxCaptions[0], L"Tarn : Brinemere");
  const std::vector<std::string> expected = {"ShowCursor 1", "MessageBox 1280 0",
                                             "SendMessage 1280 16 0 0"};
  EXPECT_EQ(fake->calls, expected);
}

TEST_F(WindowProc, KeysUpdateTheInputStateThenCallTheHooks) {
  userCallbacks.onKeyDown = [] {
    EXPECT_EQ(input.keyHeld[VK_SPACE], 1);
    ++hookCalls;
  };
  userCallbacks.onKeyUp = [] {
    EXPECT_EQ(input.keyReleased[VK_SPACE], 1);
    ++otherHookCalls;
  };
  send(WM_KEYDOWN, VK_SPACE);
  send(WM_KEYUP, VK_SPACE);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_EQ(otherHookCalls, 1);
  EXPECT_EQ(input.keyHeld[VK_SPACE], 0);
}

TEST_F(WindowProc, TimerWithoutAutoKillFlipsOnEveryExpiry) {
  setUserTimer(7, 100, 0, countHook);
  EXPECT_TRUE(fake->called("SetTimer 1280 1354 100"));
  EXPECT_EQ(timerSlots[7].timerActive, 1);
  send(WM_TIMER, 1354);
  EXPECT_EQ(timerSlots[7].timerActive, 0);
  send(WM_TIMER, 1354);
  EXPECT_EQ(timerSlots[7].timerActive, 1);
  send(WM_TIMER, 1354);
  EXPECT_EQ(timerSlots[7].timerActive, 0);
  EXPECT_EQ(hookCalls, 3);
  EXPECT_TRUE(fake->callsStartingWith("KillTimer").empty());
}

TEST_F(WindowProc, AutoKillTimerEndsInactiveAfterOneExpiry) {
  setUserTimer(255, 1000, 1, countHook);
  send(WM_TIMER, 1347 + 255);
  EXPECT_EQ(timerSlots[255].timerActive, 0);
  EXPECT_TRUE(fake->called("KillTimer 1280 1602"));
  EXPECT_EQ(hookCalls, 1);
}

TEST_F(WindowProc, NullCallbackKeepsThePreviousOne) {
  setUserTimer(3, 50, 0, countHook);
  setUserTimer(3, 50, 0, nullptr);
  send(WM_TIMER, 1350);
  EXPECT_EQ(hookCalls, 1);
  setUserTimer(3, 50, 0, otherHook);
  send(WM_TIMER, 1350);
  EXPECT_EQ(otherHookCalls, 1);
  EXPECT_EQ(killUserTimer(3), 1);
  EXPECT_EQ(timerSlots[3].timerActive, 0);
}

TEST_F(WindowProc, ForeignTimersAndBadSlotsAreIgnored) {
  send(WM_TIMER, 1);
  send(WM_TIMER, 1347 + 256);
  setUserTimer(-1, 10, 0, countHook);
  setUserTimer(256, 10, 0, countHook);
  EXPECT_EQ(killUserTimer(999), 0);
  EXPECT_EQ(hookCalls, 0);
  EXPECT_TRUE(fake->callsStartingWith("SetTimer").empty());
}

TEST_F(WindowProc, MouseMessages) {
  userCallbacks.onMouseMove = countHook;
  send(WM_MOUSEMOVE, 0, (20 << 16) | 10);
  EXPECT_EQ(shell.mouseX, 10);
  EXPECT_EQ(shell.mouseY, 20);
  EXPECT_EQ(input.x, 10);
  EXPECT_EQ(input.moved, 1);
  EXPECT_EQ(hookCalls, 1);
  // Coordinates are taken as unsigned 16-bit values.
  send(WM_MOUSEMOVE, 0, static_cast<LParam>(0xFFFFFFFEu));
  EXPECT_EQ(input.x, 0xFFFE);
  EXPECT_EQ(input.y, 0xFFFF);

  userCallbacks.onRightButtonUp = otherHook;
  send(WM_RBUTTONUP);
  EXPECT_EQ(input.buttonUp, 1);
  EXPECT_EQ(input.rightButton, 1);
  EXPECT_EQ(otherHookCalls, 1);
  send(WM_MBUTTONDBLCLK);
  EXPECT_EQ(input.doubleClick, 1);
  EXPECT_EQ(input.middleButton, 1);
  send(WM_LBUTTONDOWN);
  EXPECT_EQ(input.buttonDown, 1);
  EXPECT_EQ(input.leftButton, 1);
  send(WM_MOUSEWHEEL, 0xFF880004u);
  EXPECT_EQ(input.wheel, 0xFF880004u);
}

TEST_F(WindowProc, ReplayingLeavesTheMouseStateAlone) {
  shell.inputReplaying = 1;
  send(WM_MOUSEMOVE, 0, (5 << 16) | 5);
  send(WM_LBUTTONDOWN);
  send(WM_MOUSEWHEEL, 0x00780000u);
  EXPECT_EQ(input.x, 0);
  EXPECT_EQ(input.buttonDown, 0);
  EXPECT_EQ(input.wheel, 0u);
  EXPECT_EQ(shell.mouseX, 5);  // still kept for the hooks
  send(WM_KEYUP, 'A');
  EXPECT_EQ(input.keyReleased['A'], 1);  // keys still count
}

TEST_F(WindowProc, CursorAutoHideShowsOnMoveAndHidesWhenStill) {
  shellConfig.cursorVisible = 0;
  shell.cursorTimerSlot = 254;
  send(WM_MOUSEMOVE, 0, (3 << 16) | 3);
  EXPECT_EQ(shell.cursorShown, 1);
  EXPECT_TRUE(fake->called("ShowCursor 1"));
  EXPECT_TRUE(fake->called("SetTimer 1280 1601 2000"));
  fake->calls.clear();
  send(WM_MOUSEMOVE, 0, (4 << 16) | 4);  // already shown: not armed again
  EXPECT_TRUE(fake->callsStartingWith("SetTimer").empty());
  // Still moving when the timer fires: armed again.
  send(WM_TIMER, 1601);
  EXPECT_TRUE(fake->called("SetTimer 1280 1601 2000"));
  EXPECT_EQ(shell.cursorShown, 1);
  // Still after a reset: hidden.
  resetInput();
  fake->calls.clear();
  send(WM_TIMER, 1601);
  EXPECT_TRUE(fake->called("ShowCursor 0"));
  EXPECT_EQ(shell.cursorShown, 0);
}

TEST_F(WindowProc, VisibleCursorIsNeverAutoHidden) {
  shellConfig.cursorVisible = 1;
  send(WM_MOUSEMOVE, 0, (3 << 16) | 3);
  EXPECT_TRUE(fake->calls.empty());
}

TEST_F(WindowProc, CopyAndPasteHooks) {
  userCallbacks.onCopy = countHook;
  userCallbacks.onPaste = otherHook;
  send(WM_COPY);
  send(WM_PASTE);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_EQ(otherHookCalls, 1);
}

TEST_F(WindowProc, ClipboardChainJoinsAndLeaves) {
  shell.clipboardViewer = 1;
  send(WM_CREATE);
  EXPECT_TRUE(fake->called("SetClipboardViewer 1280"));
  EXPECT_EQ(shell.nextClipboardViewer, 0x777u);
  send(WM_DESTROY);
  EXPECT_TRUE(fake->called("ChangeClipboardChain 1280 1911"));
}

TEST_F(WindowProc, DrawClipboardIsForwardedOnlyWithAHook) {
  shell.clipboardViewer = 1;
  shell.nextClipboardViewer = 0x900;
  send(WM_DRAWCLIPBOARD);
  EXPECT_TRUE(fake->calls.empty());
  userCallbacks.onClipboardChange = countHook;
  send(WM_DRAWCLIPBOARD);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_TRUE(fake->called("SendMessage 2304 776 0 0"));
}

TEST_F(WindowProc, ChangeClipboardChainRepairsOrForwards) {
  send(WM_CHANGECBCHAIN, 0x900, 0xA00);  // not a viewer: nothing
  EXPECT_TRUE(fake->calls.empty());
  shell.clipboardViewer = 1;
  shell.nextClipboardViewer = 0x900;
  send(WM_CHANGECBCHAIN, 0x900, 0xA00);
  EXPECT_EQ(shell.nextClipboardViewer, 0xA00u);
  send(WM_CHANGECBCHAIN, 0x123, 0x456);
  EXPECT_TRUE(fake->called("SendMessage 2560 781 291 1110"));
}

TEST_F(WindowProc, OtherMessagesGoToTheDefaultProcedure) {
  send(0x0006);
  EXPECT_TRUE(fake->called("DefWindowProc 1280 6"));
}

TEST_F(WindowProc, PreviewModeHandlesPaintAndDestroyOnly) {
  shell.previewMode = 1;
  shellConfig.previewPainter = countHook;
  send(WM_PAINT);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_EQ(shell.windowDC, 0xBCu);
  EXPECT_TRUE(fake->called("EndPaint 1280"));
  send(WM_CLOSE);
  EXPECT_TRUE(fake->called("DefWindowProc 1280 16"));  // destroys the child
  send(WM_KEYUP, VK_ESCAPE);
  EXPECT_EQ(input.keyReleased[VK_ESCAPE], 0);
  send(WM_DESTROY);
  EXPECT_TRUE(fake->called("PostQuitMessage 0"));
}

TEST_F(WindowProc, RuntimeErrorShowsTheBoxThenCloses) {
  showRuntimeError(L"BaseSPR : Load : broken");
  ASSERT_EQ(fake->boxTexts.size(), 1u);
  EXPECT_EQ(fake->boxCaptions[0], L"Process Runtime Error");
  const std::vector<std::string> expected = {"MessageBox 1280 16", "SendMessage 1280 16 0 0"};
  EXPECT_EQ(fake->calls, expected);
}
