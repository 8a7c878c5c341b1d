// Display monitors over the platform's enumeration. bestMonitor lives in ShellConfig
// and is never reset, so a second search keeps the first result.

#include "shell/monitors.h"

#include <cstdint>
#include <vector>

#include "shell/shell.h"
#include "surface/surface.h"

int monitorRates[maxMonitorRates];
int monitorCount = 0;
int onRightmostMonitor = 0;

namespace {

// A rectangle a window can take: not empty, its size within an int.
bool usableRect(const Rect& r) {
  const std::int64_t width = static_cast<std::int64_t>(r.right) - r.left;
  const std::int64_t height = static_cast<std::int64_t>(r.bottom) - r.top;
  return width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX;
}

}  // namespace

int monitorRate(int index) {
  monitorCount = 0;
  if (index < 0 || index >= maxMonitorRates) return 0;
  monitorRates[index] = 0;
  std::vector<Rect> monitors;
  if (!platform.enumMonitors(monitors)) return 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    // Only 16 rates fit; further monitors are counted, not recorded.
    if (monitorCount < maxMonitorRates) {
      monitorRates[monitorCount] = platform.monitorFrequency(monitorCount);
    }
    ++monitorCount;
  }
  return monitorRates[index];
}

int moveToRightmostMonitor() {
  onRightmostMonitor = 0;
  std::vector<Rect> monitors;
  if (!platform.enumMonitors(monitors)) return 0;
  int* best = shellConfig.bestMonitor;
  for (const Rect& m : monitors) {
    // Strictly greater: of two monitors with the same left edge the first stays.
    if (m.left > best[0] && usableRect(m)) {
      best[0] = m.left;
      best[1] = m.top;
      best[2] = m.right;
      best[3] = m.bottom;
    }
  }
  shellConfig.windowWidth = best[2] - best[0];
  shellConfig.windowHeight = best[3] - best[1];
  if (!platform.moveWindow(shell.mainWindow, best[0], best[1], shellConfig.windowWidth,
                           shellConfig.windowHeight, 1)) {
    return 0;
  }
  onRightmostMonitor = 1;
  return 1;
}

int useRightmostMonitor() {
  if (!moveToRightmostMonitor()) return 0;
  setScreenSize(shellConfig.windowWidth, shellConfig.windowHeight);
  return 1;
}
