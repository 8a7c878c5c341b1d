// The web backend: the program in a browser page, drawn on its canvas.
//
// One thread, no cross-origin isolation. The shell's process "thread" runs on the
// page's only thread, nested in the message loop's first idle wait; each of its
// waits (Sleep, the frame pacing's wait) runs the message loop itself until the
// wait is over and yields to the browser in between (Asyncify unwinds the stack
// and rewinds it when the time is up), so keys, timers and painting go on while a
// frame waits, as they would on the main thread of the desktop targets.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/common/surface_memory.h"
#include "platform/platform.h"

namespace web {

struct Options {
  // Render mode: a virtual clock that moves only when the process sleeps, page
  // input ignored, frames shown only when asked (showFrame).
  bool virtualClock = false;
  std::uint32_t startTimeMs = 0;  // the virtual clock at start
  // The screen; 0: the page's size in device pixels, at most 3840x2160.
  int screenWidth = 0, screenHeight = 0;
  // Called after each presented frame with its number from 0; it may post keys.
  void (*onPresent)(int frame) = nullptr;
};

// Installs the backend for one run (also resets every window and timer).
void configure(const Options& options);

// The page's parameters (name, value) in the order written, decoded.
std::vector<std::pair<std::string, std::string>> pageParameters();

// Posts a key press or release to the main window, as the keyboard would.
void postKey(int virtualKey, bool down);

// What the main window shows, top row first; null when there is no window.
const emu::Canvas* windowCanvas();
int framesPresented();

// Shows the main window's picture on the page (render mode shows none by itself).
void showFrame();

// A line for the page's report (render mode) and the console.
void report(const std::string& line);
// A warning on the console.
void warn(const std::string& line);

// After a run that Esc ended: shows its first picture (the splash) with a line
// saying how to start again, and returns once a click or a key asks for it.
void waitForRestart();

// Whether the run that just ended was closed because the page took a new size
// (live runs only); the next configure starts at that size.
bool endedByResize();

// Real milliseconds, for timing runs.
double realMilliseconds();

}  // namespace web
