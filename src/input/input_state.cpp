// Keyboard and mouse state. Key events can be queued and replayed one per reset,
// and locked keys pass only when forced (on-screen buttons drive them).

#include "input/input_state.h"

#include <cstring>

InputState input;

namespace {

void ignoreKey(int) {}

constexpr int firstModifier = 16;  // Shift, Ctrl, Alt, Pause: 16..19
constexpr int lastModifier = 19;

}  // namespace

void keyDown(int vk, int forced) {
  InputState& s = input;
  vk &= 0xFF;
  if (vk == 0) return;
  if (s.keyHeld[vk]) return;  // automatic repeats of a held key
  if (s.queueing) {
    queueKeyEvent(vk, 0);
    return;
  }
  if (forced == 0 && s.keyLocked[vk]) return;
  s.keyEvent = 1;
  s.keyDownEvent = 1;
  s.lastKey = vk;
  s.keyHeld[vk] = 1;
  if (s.keyDownNotify) s.keyDownNotify(vk);
  s.forcedCount = s.forcedCount - forced;
}

void keyUp(int vk, int forced) {
  InputState& s = input;
  vk &= 0xFF;
  if (vk == 0) return;
  if (s.queueing) {
    queueKeyEvent(vk, 1);
    return;
  }
  if (forced == 0 && s.keyLocked[vk]) return;
  // Not filtered by keyHeld: a key pressed before the window had the focus still counts.
  s.lastKey = vk;
  s.keyEvent = 1;
  s.keyUpEvent = 1;
  s.keyReleased[vk] = 1;
  s.keyHeld[vk] = 0;
  if (s.keyUpNotify) s.keyUpNotify(vk);
  s.forcedCount = s.forcedCount + forced;
}

void mouseMove(int x, int y) {
  InputState& s = input;
  const int dx = x - s.x;
  const int dy = y - s.y;
  s.dx = dx;
  s.dy = dy;
  s.moved = (dx != 0 || dy != 0) ? 1 : 0;
  s.x = x;
  s.y = y;
  if (s.trailEnabled) {
    s.trailIndex = (s.trailIndex + 1) & (trailLength - 1);
    s.trail[s.trailIndex] = {x, y, dx, dy};
  }
}

void releaseHeldKeys() {
  InputState& s = input;
  for (int vk = 0; vk < keyCount; ++vk) {
    if (vk >= firstModifier && vk <= lastModifier) {
      if (s.resetReleasesModifiers) s.keyHeld[vk] = 0;
    } else if (!s.keyLocked[vk]) {
      s.keyHeld[vk] = 0;
    }
  }
}

void resetInput() {
  InputState& s = input;
  s.buttonDown = 0;
  s.buttonUp = 0;
  s.moved = 0;
  s.leftButton = 0;
  s.middleButton = 0;
  s.rightButton = 0;
  s.wheel = 0;
  s.trailIndex = -1;
  s.trailEnabled = 1;
  for (int vk = 0; vk < keyCount; ++vk) s.keyReleased[vk] = 0;
  s.keyUpEvent = 0;
  s.keyEvent = 0;
  releaseHeldKeys();
  s.queueing = 0;
  if (s.queueEnabled) {
    // Replayed last in, first out, one entry per reset.
    if (s.queueCount > 0) {
      const QueuedKey k = s.queue[--s.queueCount];
      if (k.isUp) {
        keyUp(k.vk, 0);
      } else {
        keyDown(k.vk, 0);
      }
    }
  } else {
    s.queueCount = 0;
  }
}

void queueKeyEvent(int vk, int isUp) {
  InputState& s = input;
  if (!s.queueEnabled || s.queueCount >= keyQueueLength) return;
  s.queue[s.queueCount++] = {vk, isUp};
}

void initInput() {
  std::memset(static_cast<void*>(&input), 0, sizeof input);
  resetInput();
  input.resetReleasesModifiers = 0;
  input.keyDownNotify = ignoreKey;
  input.keyUpNotify = ignoreKey;
}
