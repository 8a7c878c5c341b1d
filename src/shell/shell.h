// The application shell: configuration, hooks, run modes, the window procedure,
// the process thread and user timers. Process-wide state; one main window.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "shell/shared_word.h"

using Hook = void (*)();

// ---- configuration, filled by the registration step --------------------------
struct ShellConfig {
  int cursorVisible = 1;  // first ShowCursor argument; 0 arms the auto-hide
  int windowWidth = 240;
  int windowHeight = 180;
  const wchar_t* title = L"VCosole";
  int parseCommandLine = 1;  // 0: always the full-screen window
  const wchar_t* helpText;
  const wchar_t* helpCaption = L"    Vostrel";
  const wchar_t* previewText = L"V o s t r e l";
  Hook settingsProcess;
  int settingsWidth = 240, settingsHeight = 240;
  std::uint32_t windowStyle = WS_POPUP;
  int bestMonitor[4] = {-30000, 0, 1, 1};  // left, top, right, bottom
  Hook previewPainter;
  int cursorHideDelayMs = 2000;
  // Start-up options, all 0 in this application.
  int titleFromProgramName = 0;
  int useCustomCursor = 0;
  int processPriority = 0;  // 0, 1 (highest) or 2 (time critical)
};
extern ShellConfig shellConfig;

// ---- hooks: argument-less; a null hook is skipped ---------------------------
struct UserCallbacks {
  Hook process;
  Hook beforeWindow, beforeMessageLoop;
  Hook onCreate, onDestroy, onPaint, settingsPainter;
  Hook onKeyDown, onKeyUp;
  Hook onMouseMove, onMouseWheel;
  Hook onLeftButtonDown, onLeftButtonUp, onLeftDoubleClick;
  Hook onRightButtonDown, onRightButtonUp, onRightDoubleClick;
  Hook onMiddleButtonDown, onMiddleButtonUp, onMiddleDoubleClick;
  Hook onCopy, onPaste, onClipboardChange;
};
extern UserCallbacks userCallbacks;

// ---- shell state ------------------------------------------------------------
struct ShellState {
  SharedWord<Handle> mainWindow;  // the process thread sends to it
  Handle windowDC;
  Handle instance;
  Handle previousInstanceWindow;
  int previewMode, saverMode, settingsMode;
  Handle previewParent;
  Rect previewRect;
  wchar_t programName[256];
  char programNameAnsi[256];
  Handle processThread;
  SharedWord<int> processFinished;  // written by the process thread, read in WM_CLOSE
  SharedWord<int> closeAllowed;
  int windowCreated;
  // Window procedure state.
  std::uint32_t lastWParam;
  std::int32_t lastLParam;
  int mouseX, mouseY;
  int clipboardViewer;
  Handle nextClipboardViewer;
  int cursorShown;
  int keepCursor;
  int inputReplaying;
  int displayChanged;
  int cursorTimerSlot;
};
extern ShellState shell;

// ---- user timers: 256 slots, window-timer id 1347 + slot ---------------------
constexpr int timerSlotCount = 256;
constexpr int timerIdBase = 1347;
struct TimerSlot {
  SharedWord<int> timerActive;  // the splash wait polls it from the process thread
  int timerAutoKill;
  Hook timerCallback;
  int timerSlotUsed;
};
extern TimerSlot timerSlots[timerSlotCount];

int allocateTimerSlot();  // highest free slot, or -1
void setUserTimer(int slot, int milliseconds, int autoKill, Hook callback);
int killUserTimer(int slot);
void autoHideTick();

// ---- start-up and run modes -------------------------------------------------
void registerFramework();  // the framework's part of the registration step
// The program: name, command line, the window or preview child, the message loop.
int shellMain(Handle instance, int showCommand);
// The whole start of a program: the framework's registration, then `registerApp`,
// then `adjust` when given, then the shell. Returns the shell's exit code.
int runApplication(void (*registerApp)(), Handle instance, int showCommand,
                   void (*adjust)() = nullptr);
void extractProgramName();
int parseCommandLine();  // 1: end at once
void startProcessThread();
std::uint32_t processThreadMain(void* parameter);
void requestExit();
int closePreviousInstance();
void defaultProcess();
void defaultPreviewPainter();

// ---- window procedure and run-time errors -----------------------------------
LResult windowProc(Handle window, std::uint32_t message, WParam wParam, LParam lParam);
void terminateProcess();
void showRuntimeError(const wchar_t* text);

// Restores every shell global to its start value (tests and repeated runs).
void resetShellState();
