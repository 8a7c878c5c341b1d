// Frame pacing: holds the process thread to a frame rate on one of three clocks
// (the display's vertical blank, the performance counter, the millisecond timer),
// keeps a smoothed load figure and reports overloads.
#pragma once

#include <cstdint>

// The pacing's state; one process-wide record, used by the process thread.
struct PacingState {
  int clockStopped = 1;           // the frame clock is not started while set
  int useVerticalBlank = 1;       // pace on the vertical blank; cleared for good when unusable
  int usePerformanceCounter = 1;  // pace on the performance counter; cleared for good without one
  std::int64_t counterFrequency = 0;        // counter ticks per second
  int frameRate = 30;                       // target frames per second
  int blankPeriodMs = 0;                    // measured period in vertical-blank mode
  std::int64_t frameStart = 0;              // clock value at the start of the frame
  int clockRunning = 0;                     // frameStart is valid
  int frameElapsed = 0;                     // clock units, low 32 bits
  int frameSlack = 0;                       // ms the last pacing step planned to wait
  float frameLoad = 0.0f;                   // 1 - slack / period
  float loadAverage = 0.7f;                 // smoothed frameLoad
  float overloadThreshold = 0.75f;          // loadAverage below which an overload ends
  int overloadCooldown = 0;                 // frames before the threshold may rise again
  int overloaded = 0;                       // the application was told frames do not fit
  void (*overloadCallback)(int) = nullptr;  // 1 when an overload starts, 0 when it ends
  int effectiveRate = 0;                    // the rate the frames really reach
  int verticalBlankCreated = 0;             // the platform's vertical-blank object exists
};
extern PacingState pacing;  // the one pacing record

// ---- set-up ----------------------------------------------------------------
void initPacing(int rate, void (*callback)(int));  // rate -1: the display decides; 0 or
                                                   // below: 30; callback may be null
void resetPacing();    // measures the vertical blank; falls back to the counter when the
                       // waits do not block like a display's
void releasePacing();  // releases the vertical-blank object (shutdownDrawing)

// ---- per frame, from present() --------------------------------------------
void adaptRate();         // paces the frame, then updates the load figures
void startFrameClock();   // the next frame's time starts now
int paceFrame(int rate);  // 0 when the clock was not running, else 1; rate 0 or below: 30
