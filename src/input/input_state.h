// Keyboard and mouse state: fed by the window procedure on the main thread, read by
// the application (usually from a key hook), cleared with resetInput.
#pragma once

#include <cstdint>

constexpr int keyCount = 256;
constexpr int trailLength = 256;
constexpr int keyQueueLength = 256;

struct TrailEntry {
  int x, y, dx, dy;
};

struct QueuedKey {
  int vk;
  int isUp;
};

// Every field is a 32-bit word: the process thread reads them without locks.
struct InputState {
  volatile int buttonDown, buttonUp, doubleClick;  // mouse events
  volatile int moved;                              // the last move changed the position
  volatile int leftButton, middleButton, rightButton;
  volatile std::uint32_t wheel;  // whole wParam of the last wheel message
  volatile int x, y, dx, dy;
  TrailEntry trail[trailLength];  // the last 256 moves, a ring
  volatile int trailIndex;        // newest entry; -1 after a reset
  int trailEnabled;
  volatile int lastKey;
  volatile int keyReleased[keyCount];  // released since the last reset
  volatile int keyHeld[keyCount];      // down now
  volatile int keyUpEvent, keyDownEvent;
  volatile int forcedCount;  // + forced on up, - forced on down
  volatile int onScreenKeyUp;
  volatile int keyEvent;
  int keyLocked[keyCount];  // keyboard events ignored, forced pass
  int resetReleasesModifiers;
  int queueing, queueEnabled;
  QueuedKey queue[keyQueueLength];
  int queueCount;
  void (*keyDownNotify)(int vk);
  void (*keyUpNotify)(int vk);
};

extern InputState input;

void keyDown(int vk, int forced);
void keyUp(int vk, int forced);
void mouseMove(int x, int y);
void resetInput();
void releaseHeldKeys();
void queueKeyEvent(int vk, int isUp);
// The registration's reset: clears everything, then resets, with empty notify hooks.
void initInput();

// Short names of keys by virtual-key code, null where a key has none: capitalised
// (used for releases) and lower case (used for presses).
extern const char* const keyNamesUp[keyCount];
extern const char* const keyNamesDown[keyCount];
