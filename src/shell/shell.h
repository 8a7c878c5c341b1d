// The application shell: configuration, hooks, run modes, the window procedure,
// the process thread and user timers. Process-wide state; one main window.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "shell/shared_word.h"

// Every hook and painter: no arguments; a hook reads the message's parameters from
// shell.lastWParam and shell.lastLParam.
using Hook = void (*)();

// ---- configuration, filled by the registration step --------------------------
// What the registration step sets before the shell makes its window.
struct ShellConfig {
  int cursorVisible = 1;              // first ShowCursor argument; 0 arms the auto-hide
  int windowWidth = 240;              // the window's width; setScreenSize sets both
  int windowHeight = 180;             // the window's height
  const wchar_t* title = L"VCosole";  // window title and class; a second run closes the first
  int parseCommandLine = 1;           // 0: always the full-screen window
  const wchar_t* helpText;            // the help box of an unknown argument
  const wchar_t* helpCaption = L"    Vostrel";    // its caption
  const wchar_t* previewText = L"V o s t r e l";  // what the default preview painter writes
  Hook settingsProcess;                           // the process function of the settings window
  int settingsWidth = 240;                        // the settings window's width
  int settingsHeight = 240;                // its height (a captioned window, not the full screen)
  std::uint32_t windowStyle = WS_POPUP;    // the main window's style bits
  int bestMonitor[4] = {-30000, 0, 1, 1};  // left, top, right, bottom
  Hook previewPainter;                     // paints the /p preview on every WM_PAINT
  int cursorHideDelayMs = 2000;            // a still mouse hides the cursor after this; 0 never
  // Start-up options, all 0 in this application.
  int titleFromProgramName = 0;  // 1: the title becomes the program's base name
  int useCustomCursor = 0;       // 1: the cursor resource USER_CURSOR
  int processPriority = 0;       // 0, 1 (highest) or 2 (time critical)
};
extern ShellConfig shellConfig;  // the one configuration

// ---- hooks: argument-less; a null hook is skipped ---------------------------
// The application's hooks. All but process run on the main thread, from the window
// procedure, after the shell's own handling of the message.
struct UserCallbacks {
  Hook process;            // the process thread's body: set up, draw frames, return to end
  Hook beforeWindow;       // before the main window is made (not in preview mode)
  Hook beforeMessageLoop;  // once the window or preview child exists
  Hook onCreate;           // WM_CREATE
  Hook onDestroy;          // WM_DESTROY, before the quit message
  Hook onPaint;            // WM_PAINT, after the surface was copied to the window
  Hook settingsPainter;    // an unknown argument opens the settings window when set
  Hook onKeyDown;          // WM_KEYDOWN, after the input state recorded it
  Hook onKeyUp;            // WM_KEYUP, after the input state recorded it
  Hook onMouseMove;        // WM_MOUSEMOVE
  Hook onMouseWheel;       // WM_MOUSEWHEEL; input.wheel holds its wParam
  // The buttons, each after the input state recorded the event.
  Hook onLeftButtonDown;     // WM_LBUTTONDOWN
  Hook onLeftButtonUp;       // WM_LBUTTONUP
  Hook onLeftDoubleClick;    // WM_LBUTTONDBLCLK
  Hook onRightButtonDown;    // WM_RBUTTONDOWN
  Hook onRightButtonUp;      // WM_RBUTTONUP
  Hook onRightDoubleClick;   // WM_RBUTTONDBLCLK
  Hook onMiddleButtonDown;   // WM_MBUTTONDOWN
  Hook onMiddleButtonUp;     // WM_MBUTTONUP
  Hook onMiddleDoubleClick;  // WM_MBUTTONDBLCLK
  Hook onCopy;               // WM_COPY
  Hook onPaste;              // WM_PASTE
  Hook onClipboardChange;    // the clipboard changed (the window joined the viewer chain)
};
extern UserCallbacks userCallbacks;  // the one hook table; null hooks are skipped

// ---- shell state ------------------------------------------------------------
// What the shell knows of the run; applications read mainWindow and the message
// parameters, the rest is the shell's own.
struct ShellState {
  SharedWord<Handle> mainWindow;    // the process thread sends to it
  Handle windowDC;                  // the main window's device context
  Handle instance;                  // what the entry point was given
  Handle previousInstanceWindow;    // a window of a run already going, found by title
  int previewMode;                  // /p: painting into a host's window
  int saverMode;                    // /s
  int settingsMode;                 // an unknown argument with a settings painter set
  Handle previewParent;             // the host's window in preview mode
  Rect previewRect;                 // the preview child's client rectangle
  wchar_t programName[256];         // the program file's base name, no folder or extension
  char programNameAnsi[256];        // the same in 8-bit characters
  Handle processThread;             // the thread running userCallbacks.process
  SharedWord<int> processFinished;  // written by the process thread, read in WM_CLOSE
  SharedWord<int> closeAllowed;     // WM_CLOSE may destroy the window
  int windowCreated;                // WM_CREATE has come
  // Window procedure state.
  std::uint32_t lastWParam;    // wParam of the message a hook runs for
  std::int32_t lastLParam;     // lParam of the message a hook runs for
  int mouseX;                  // the mouse's client x at the last mouse message
  int mouseY;                  // the mouse's client y at the last mouse message
  int clipboardViewer;         // 1: the window joins the clipboard viewer chain
  Handle nextClipboardViewer;  // the next window in that chain
  int cursorShown;             // the auto-hide showed the cursor again
  int keepCursor;              // 1: a still mouse keeps the cursor
  int inputReplaying;          // the input player feeds the input state, not the mouse
  int displayChanged;          // the display's size changed during the run
  int cursorTimerSlot;         // the auto-hide's timer slot
};
extern ShellState shell;  // the one shell record

// ---- user timers: 256 slots, window-timer id 1347 + slot ---------------------
constexpr int timerSlotCount = 256;  // user timers at most
constexpr int timerIdBase = 1347;    // window-timer id of slot 0
// One user timer: WM_TIMER with its id calls the callback on the main thread.
struct TimerSlot {
  SharedWord<int> timerActive;  // the splash wait polls it from the process thread
  int timerAutoKill;            // 1: the timer stops after its first tick
  Hook timerCallback;           // called on each tick; null calls nothing
  int timerSlotUsed;            // the slot is taken (allocateTimerSlot)
};
extern TimerSlot timerSlots[timerSlotCount];  // indexed by slot

int allocateTimerSlot();  // highest free slot, or -1
// Starts the slot's timer (a negative period counts as 0); a slot outside 0..255 is
// ignored.
void setUserTimer(int slot, int milliseconds, int autoKill, Hook callback);
int killUserTimer(int slot);  // stops it; 1 when a timer ran, 0 else or for a bad slot
void autoHideTick();          // the cursor timer's tick: hides a still cursor

// ---- start-up and run modes -------------------------------------------------
void registerFramework();  // the framework's part of the registration step
// The program: name, command line, the window or preview child, the message loop.
int shellMain(Handle instance, int showCommand);
// The whole start of a program: the framework's registration, then `registerApp`,
// then `adjust` when given, then the shell. Returns the shell's exit code.
int runApplication(void (*registerApp)(), Handle instance, int showCommand,
                   void (*adjust)() = nullptr);
void extractProgramName();  // fills programName from the command line's first word
int parseCommandLine();     // 1: end at once
void startProcessThread();  // starts userCallbacks.process on a thread of its own
// The process thread: runs the process function, then allows the close and sends
// WM_CLOSE. Returns 0.
std::uint32_t processThreadMain(void* parameter);
void requestExit();            // from the process thread: end the run as if it returned
int closePreviousInstance();   // sends WM_CLOSE to a run already going; 1 when there was one
void defaultProcess();         // the settings window's process: sleeps until closed
void defaultPreviewPainter();  // grey panels and the preview text

// ---- window procedure and run-time errors -----------------------------------
// The main window's procedure: the shell's handling of each message, then the
// application's hook.
LResult windowProc(Handle window, std::uint32_t message, WParam wParam, LParam lParam);
void terminateProcess();  // stops the process thread from outside (a close during a run)
// The run-time error box ("Process Runtime Error") with `text`, then WM_CLOSE.
void showRuntimeError(const wchar_t* text);

// Restores every shell global to its start value (tests and repeated runs).
void resetShellState();
