// Keyboard and mouse state: fed by the window procedure on the main thread, read by
// the application (usually from a key hook), cleared with resetInput.
#pragma once

#include <cstdint>

constexpr int keyCount = 256;        // virtual-key codes 0..255
constexpr int trailLength = 256;     // mouse moves kept
constexpr int keyQueueLength = 256;  // deferred key events kept

// One mouse move: where it ended and by how much it moved.
struct TrailEntry {
  int x, y, dx, dy;  // client position and the step from the one before
};

// A key event held back while input.queueing is set.
struct QueuedKey {
  int vk;    // its virtual-key code
  int isUp;  // 1: a release, 0: a press
};

// Every field is a 32-bit word: the process thread reads them without locks.
struct InputState {
  volatile int buttonDown, buttonUp, doubleClick;      // mouse events since the last reset
  volatile int moved;                                  // the last move changed the position
  volatile int leftButton, middleButton, rightButton;  // a button went down since the reset
  volatile std::uint32_t wheel;                        // whole wParam of the last wheel message
  volatile int x, y, dx, dy;              // the mouse in client pixels and its last step
  TrailEntry trail[trailLength];          // the last 256 moves, a ring
  volatile int trailIndex;                // newest entry; -1 after a reset
  int trailEnabled;                       // moves are recorded in the trail
  volatile int lastKey;                   // the code of the last key event
  volatile int keyReleased[keyCount];     // released since the last reset
  volatile int keyHeld[keyCount];         // down now
  volatile int keyUpEvent, keyDownEvent;  // a release, a press since the last reset
  volatile int forcedCount;               // + forced on up, - forced on down
  volatile int onScreenKeyUp;             // a release sent by an on-screen control
  volatile int keyEvent;                  // any key event since the last reset
  int keyLocked[keyCount];                // keyboard events ignored, forced pass
  int resetReleasesModifiers;             // 1: a reset also lets go of Shift, Ctrl and Alt
  int queueing;                           // 1: key events wait in the queue
  int queueEnabled;                       // 1: the queue keeps events and each reset replays one
  QueuedKey queue[keyQueueLength];        // the waiting events, newest last
  int queueCount;                         // how many wait
  void (*keyDownNotify)(int vk);          // called on every press that counts (main thread)
  void (*keyUpNotify)(int vk);            // called on every release that counts (main thread)
};

extern InputState input;  // the one input state

// A press of `vk` (low byte; 0 is ignored). Repeats of a held key and, unless
// forced, locked keys are ignored; while queueing it is queued instead.
void keyDown(int vk, int forced);
// A release of `vk`, counted even when no press was seen; otherwise as keyDown.
void keyUp(int vk, int forced);
void mouseMove(int x, int y);  // a move to client (x, y): step, trail, moved flag
// Clears the events and releases; lets go of held keys but the locked ones (and the
// modifiers unless resetReleasesModifiers); replays one queued event when enabled.
void resetInput();
void releaseHeldKeys();                // the held flags as resetInput clears them
void queueKeyEvent(int vk, int isUp);  // ignored when the queue is off or full
// The registration's reset: clears everything, then resets, with empty notify hooks.
void initInput();

// Short names of keys by virtual-key code, null where a key has none: capitalised
// (used for releases) and lower case (used for presses).
extern const char* const keyNamesUp[keyCount];
extern const char* const keyNamesDown[keyCount];  // the lower-case names, for presses
