// A scripted clock, vertical blank and monitor list for the pacing and monitor
// tests. Time is kept in microseconds; sleeps and blank waits move it forward.
// DisplayTest saves the platform record and the pacing and monitor state, fills
// the entries these tests need and restores everything afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "shell/monitors.h"
#include "shell/pacing.h"
#include "shell/shell.h"

namespace scripted {

enum class Blank {
  none,     // createVerticalBlank fails
  display,  // waits block until the next refresh of a display at `refreshHz`
  instant,  // waits return at once (virtual displays)
  fixed,    // each wait takes `waitUs`, unrelated to any display
  failing,  // waits report failure
};

struct Display {
  double nowUs = 0;                   // the clock
  double phaseUs = 0;                 // a refresh ends at phaseUs + k * 1e6 / refreshHz
  std::uint32_t timeOffsetMs = 0;     // added to timeGetTime
  std::int64_t counterHz = 10000000;  // 0: no performance counter
  std::int64_t counterOffset = 0;     // added to the counter
  double sleepZeroUs = 20;            // what Sleep(0) costs
  int majorVersion = 6;
  Blank blank = Blank::none;
  double refreshHz = 60;
  double waitUs = 1000;
  int creates = 0, releases = 0, waits = 0;
  std::vector<std::uint32_t> sleeps;
  std::vector<Rect> monitors{Rect{0, 0, 1920, 1080}};
  std::vector<int> rates{60};  // by monitor index
  int frequencyQueries = 0;
  int enumFails = 0;
  int moveFails = 0;
  int moves = 0;
  Rect moved{};  // x, y, width, height of the last move
};

inline Display display;

inline std::uint32_t timeGetTime() {
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(display.nowUs / 1000.0)) +
         display.timeOffsetMs;
}

inline int queryPerformanceFrequency(std::int64_t& f) {
  f = display.counterHz;
  return display.counterHz > 0;
}

inline int queryPerformanceCounter(std::int64_t& c) {
  c = static_cast<std::int64_t>(display.nowUs * static_cast<double>(display.counterHz) / 1e6) +
      display.counterOffset;
  return display.counterHz > 0;
}

inline void sleep(std::uint32_t ms) {
  display.sleeps.push_back(ms);
  display.nowUs += ms == 0 ? display.sleepZeroUs : ms * 1000.0;
}

inline int createVerticalBlank() {
  ++display.creates;
  return display.blank != Blank::none;
}

inline int waitVerticalBlank() {
  ++display.waits;
  switch (display.blank) {
    case Blank::display: {
      const double interval = 1e6 / display.refreshHz;
      // The epsilon keeps a wait that ends on a refresh from ending on it again.
      const double k = std::floor((display.nowUs - display.phaseUs) / interval + 1e-9) + 1;
      display.nowUs = display.phaseUs + k * interval;
      return 1;
    }
    case Blank::fixed:
      display.nowUs += display.waitUs;
      return 1;
    case Blank::instant:
      return 1;
    default:
      return 0;
  }
}

inline int enumMonitors(std::vector<Rect>& monitors) {
  if (display.enumFails) return 0;
  monitors = display.monitors;
  return 1;
}

inline int monitorFrequency(int index) {
  ++display.frequencyQueries;
  return index >= 0 && index < static_cast<int>(display.rates.size()) ? display.rates[index] : 0;
}

inline int moveWindow(Handle, int x, int y, int width, int height, int) {
  if (display.moveFails) return 0;
  ++display.moves;
  display.moved = Rect{x, y, width, height};
  return 1;
}

// Every test starts from the program's initial state on a fresh fake display.
class DisplayTest : public ::testing::Test {
 protected:
  DisplayTest() : savedPlatform(platform), savedConfig(shellConfig) {}
  void SetUp() override { resetDisplay(); }
  void TearDown() override {
    platform = savedPlatform;
    shellConfig = savedConfig;
    pacing = PacingState{};
    onRightmostMonitor = 0;
  }

  // A fresh fake display and the program's initial pacing and monitor state; also
  // between the cases of one test.
  static void resetDisplay() {
    display = Display{};
    pacing = PacingState{};
    shellConfig = ShellConfig{};
    monitorCount = 0;
    onRightmostMonitor = 0;
    for (int& r : monitorRates) r = 0;
    platform.timeGetTime = timeGetTime;
    platform.queryPerformanceFrequency = queryPerformanceFrequency;
    platform.queryPerformanceCounter = queryPerformanceCounter;
    platform.sleep = sleep;
    platform.systemMajorVersion = [] { return display.majorVersion; };
    platform.createVerticalBlank = createVerticalBlank;
    platform.waitVerticalBlank = waitVerticalBlank;
    platform.releaseVerticalBlank = [] { ++display.releases; };
    platform.enumMonitors = enumMonitors;
    platform.monitorFrequency = monitorFrequency;
    platform.moveWindow = moveWindow;
  }

  // A display at `hz` whose waits block, with the refreshes offset by `phaseUs`.
  static void useDisplay(double hz, double phaseUs = 0) {
    display.blank = Blank::display;
    display.refreshHz = hz;
    display.phaseUs = phaseUs;
  }

  // One frame as present() runs it: pace (after `drawUs` of drawing), then restart
  // the clock.
  static void frame(double drawUs) {
    display.nowUs += drawUs;
    adaptRate();
    startFrameClock();
  }

  const Platform savedPlatform;
  const ShellConfig savedConfig;
};

}  // namespace scripted
