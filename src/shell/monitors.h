// Display monitors: refresh rates by enumeration index, and moving the main window
// onto the rightmost monitor.
#pragma once

constexpr int maxMonitorRates = 16;        // monitors whose rates are kept
extern int monitorRates[maxMonitorRates];  // Hz by enumeration index, from monitorRate
extern int monitorCount;                   // monitors seen by the last enumeration
extern int onRightmostMonitor;             // the window was moved onto the rightmost one

int monitorRate(int index);    // Hz; 0 when there is no such monitor, none is reported or
                               // index lies outside 0..15
int moveToRightmostMonitor();  // 1 or 0; monitors with an empty rectangle are passed over
int useRightmostMonitor();     // 1 when moved and the screen size set, else 0
