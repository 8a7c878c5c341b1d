// Display monitors: refresh rates by enumeration index, and moving the main window
// onto the rightmost monitor.
#pragma once

constexpr int maxMonitorRates = 16;
extern int monitorRates[maxMonitorRates];
extern int monitorCount;
extern int onRightmostMonitor;

int monitorRate(int index);     // Hz, 0 when no such monitor or none reported
int moveToRightmostMonitor();   // 1 or 0
int useRightmostMonitor();      // 1 when moved and the screen size set
