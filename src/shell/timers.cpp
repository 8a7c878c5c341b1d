// User timers: 256 slots on window timers with ids 1347 + slot. A slot's
// timerActive flips on every expiry (the window procedure does it), which is
// what callers that wait on a timer poll.

#include "shell/shell.h"

TimerSlot timerSlots[timerSlotCount];

int allocateTimerSlot() {
  for (int s = timerSlotCount - 1; s >= 0; --s) {
    if (!timerSlots[s].timerSlotUsed) {
      timerSlots[s].timerSlotUsed = 1;
      return s;
    }
  }
  return -1;
}

void setUserTimer(int slot, int milliseconds, int autoKill, Hook callback) {
  if (slot < 0 || slot >= timerSlotCount) return;
  platform.setTimer(shell.mainWindow, timerIdBase + slot,
                    static_cast<std::uint32_t>(milliseconds < 0 ? 0 : milliseconds));
  TimerSlot& t = timerSlots[slot];
  t.timerAutoKill = autoKill;
  t.timerActive = 1;
  if (callback) t.timerCallback = callback;
}

int killUserTimer(int slot) {
  if (slot < 0 || slot >= timerSlotCount) return 0;
  const int result = platform.killTimer(shell.mainWindow, timerIdBase + slot);
  timerSlots[slot].timerActive = 0;
  return result;
}
