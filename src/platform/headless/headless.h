// The headless backend: no display, a virtual clock, windows that are pictures in
// memory. Tests, golden frames, benchmarks and the frame renderer drive it.
//
// Time moves only when the process thread sleeps, and every sleep waits until the
// main thread has handled all that fell due, so a run is the same every time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/canvas.h"
#include "platform/platform.h"

namespace headless {

// How the backend pretends the machine to be; configure takes it.
struct Options {
  int screenWidth = 1024;         // the primary screen's size
  int screenHeight = 768;         // (the window's, when it asks for the whole screen)
  int refreshRate = 60;           // what the monitor reports
  std::uint32_t startTimeMs = 0;  // timeGetTime at start
  std::vector<std::wstring> arguments{L"brinemere"};  // the command line, program first
  // Called on the process thread after each presented frame, with its number from
  // 0; it may post input (postKey). The frame is in windowCanvas(mainWindow).
  void (*onPresent)(int frame) = nullptr;
  // Above 1, a large copy to a window (a million pixels or more) is split in two
  // halves of rows copied at once on two threads: the frame renderer's --threads.
  int copyThreads = 1;
  // Paths the open and save dialogs choose, one per dialog in turn; an empty one,
  // or none left, cancels.
  std::vector<std::wstring> dialogAnswers;
};

// Installs the backend with these options (also resets every window and timer).
void configure(const Options& options);

// Posts a key press or release to the main window, as the keyboard would.
void postKey(int virtualKey, bool down);

// Posts a mouse message (WM_MOUSEMOVE, WM_LBUTTONDOWN, ...) at x, y of the main
// window's client area, as the mouse would.
void postMouse(std::uint32_t message, int x, int y);

using Canvas = emu::Canvas;  // a window's picture, top row first

// What a window shows; null for a handle that is not a live window.
const Canvas* windowCanvas(std::uintptr_t window);

// The main window (the first top-level window), 0 when there is none.
std::uintptr_t mainWindow();

// Texts of the message boxes shown so far (each "caption|text"); the boxes
// answer OK at once.
const std::vector<std::wstring>& messageBoxes();

std::uint32_t now();    // the virtual clock
int framesPresented();  // frames presented since configure

// Whether standard error is a terminal (where a progress bar may redraw itself).
bool stderrIsTerminal();

}  // namespace headless
