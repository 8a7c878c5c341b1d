// Shared by the blend benchmarks: the 1920x1080 back buffer of bench_support.h, and a
// loop that times each piece of work beside the same bytes written by memset (the
// write floor), so every figure comes with its ratio from the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "bench_support.h"

constexpr int benchWidth = 1920;
constexpr int benchHeight = 1080;

// Times `work` and then `floor` in every iteration; the iteration time is the
// work's. Reports pixels per second and the work's time over the floor's, from
// the median iterations ("x_memset") and from the fastest ones ("best_x_memset"):
// on a shared machine other processes slow some iterations of either side.
template <class Work, class Floor>
void measureAgainstFloor(benchmark::State& state, double pixelsPerIteration, Work work, Floor floor,
                         const char* ratioName = "x_memset") {
  using Clock = std::chrono::steady_clock;
  std::vector<double> workTimes, floorTimes;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    work();
    benchmark::ClobberMemory();
    const auto t1 = Clock::now();
    floor();
    benchmark::ClobberMemory();
    const auto t2 = Clock::now();
    const double w = std::chrono::duration<double>(t1 - t0).count();
    workTimes.push_back(w);
    floorTimes.push_back(std::chrono::duration<double>(t2 - t1).count());
    state.SetIterationTime(w);
  }
  const double workMedian = median(workTimes), floorMedian = median(floorTimes);
  state.counters["pixels/s"] = workMedian > 0 ? pixelsPerIteration / workMedian : 0;
  state.counters[ratioName] = floorMedian > 0 ? workMedian / floorMedian : 0;
  const double workBest = fastest(workTimes), floorBest = fastest(floorTimes);
  state.counters[std::string("best_") + ratioName] = floorBest > 0 ? workBest / floorBest : 0;
}

inline const char* modeName(int mode) {
  static const char* const names[] = {"",         "copy",     "alpha",   "add",
                                      "subtract", "multiply", "average", "mix75",
                                      "mix25",    "lighten",  "screen"};
  return mode >= 1 && mode <= 10 ? names[mode] : "?";
}

// A colour each mode visibly changes the view with; translucent for Alpha.
inline Color benchColour(int mode) { return mode == 2 ? 0x80C08040u : 0xFFC08040u; }
