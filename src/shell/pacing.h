// Frame pacing: holds the process thread to a frame rate on one of three clocks
// (the display's vertical blank, the performance counter, the millisecond timer),
// keeps a smoothed load figure and reports overloads.
#pragma once

#include <cstdint>

struct PacingState {
  int clockStopped = 1;           // the frame clock is not started while set
  int useVerticalBlank = 1;       // pace on the vertical blank
  int usePerformanceCounter = 1;  // pace on the performance counter
  std::int64_t counterFrequency = 0;
  int frameRate = 30;
  int blankPeriodMs = 0;          // measured period in vertical-blank mode
  std::int64_t frameStart = 0;    // clock value at the start of the frame
  int clockRunning = 0;           // frameStart is valid
  int frameElapsed = 0;           // clock units, low 32 bits
  int frameSlack = 0;             // ms the last pacing step planned to wait
  float frameLoad = 0.0f;         // 1 - slack / period
  float loadAverage = 0.7f;
  float overloadThreshold = 0.75f;
  int overloadCooldown = 0;
  int overloaded = 0;
  void (*overloadCallback)(int) = nullptr;
  int effectiveRate = 0;
  int verticalBlankCreated = 0;   // the platform's vertical-blank object exists
};
extern PacingState pacing;

void initPacing(int rate, void (*callback)(int));  // rate -1: the display decides
void resetPacing();
void startFrameClock();
int paceFrame(int rate);  // 0 when the clock was not running
void adaptRate();
void releasePacing();  // releases the vertical-blank object
