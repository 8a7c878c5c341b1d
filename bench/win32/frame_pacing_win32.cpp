// Frame pacing measured on the real program on the Win32 backend (under Wine on
// Xvfb, or on Windows): registration, the shell and the sea scene for 300 presented
// frames after a short warm-up. The installed presentation is wrapped to stamp each frame
// the process thread presents, on timeGetTime (the pacing's millisecond clock) and
// on the performance counter (the wall clock); after the last one the probe
// releases Esc, as a user would. Prints the same line as bench/frame_pacing.cpp.
//
// A plain program: Google Benchmark is not built for mingw.
//
//   scripts/wine-run build/windows/bench/win32/bench_frame_pacing_win32.exe

#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/program.h"
#include "pacing_report.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"
#include "shell/pacing.h"
#include "shell/shell.h"

// Last: its macros would mangle the platform record's enumerators of the same names.
#include <windows.h>

namespace {

using pacing_report::measuredFrames;
using pacing_report::warmupFrames;

using PresentRects = int (*)(Handle, Handle, const Rect*, int);

struct Probe {
  DWORD mainThread = 0;
  PresentRects backendPresent = nullptr;
  LARGE_INTEGER counterFrequency{};
  int frames = 0;                  // frames presented by the process thread
  std::vector<double> wallMs;      // performance counter at each measured frame
  std::vector<double> platformMs;  // timeGetTime at each measured frame
  double cpuFirstMs = 0, cpuLastMs = 0;
  bool exitPosted = false;
};
Probe probe;

double counterMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 /
         static_cast<double>(probe.counterFrequency.QuadPart);
}

// User and kernel time of the whole process. NOTE: the mingw runtime's clock()
// counts wall time, not CPU time.
double processCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto ticks = [](FILETIME t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

int probePresent(Handle dc, Handle surface, const Rect* rects, int count) {
  const int result = probe.backendPresent(dc, surface, rects, count);
  if (GetCurrentThreadId() == probe.mainThread) return result;  // a repaint
  const int frame = probe.frames++;
  if (frame < warmupFrames || frame > warmupFrames + measuredFrames) return result;
  probe.wallMs.push_back(counterMs());
  probe.platformMs.push_back(platform.timeGetTime());
  if (frame == warmupFrames) probe.cpuFirstMs = processCpuMs();
  if (frame == warmupFrames + measuredFrames) {
    probe.cpuLastMs = processCpuMs();
    if (!probe.exitPosted) {
      probe.exitPosted = true;
      PostMessageW(reinterpret_cast<HWND>(shell.mainWindow.load()), WM_KEYUP, VK_ESCAPE,
                   static_cast<LPARAM>(0xC0000001u));
    }
  }
  return result;
}

}  // namespace

int main() {
  win32::install();
  probe.mainThread = GetCurrentThreadId();
  if (!QueryPerformanceFrequency(&probe.counterFrequency) || probe.counterFrequency.QuadPart <= 0) {
    std::fprintf(stderr, "win32: no performance counter\n");
    return 1;
  }
  probe.backendPresent = platform.presentRects;
  platform.presentRects = probePresent;
  runProgram(reinterpret_cast<Handle>(GetModuleHandleW(nullptr)), SW_SHOWNORMAL, withoutSplash);

  if (probe.wallMs.size() != measuredFrames + 1) {
    std::fprintf(stderr, "win32: the program ended after %d of %d frames\n", probe.frames,
                 warmupFrames + measuredFrames + 1);
    return 1;
  }
  pacing_report::print("win32", pacing_report::spreadOf(probe.platformMs),
                       pacing_report::spreadOf(probe.wallMs),
                       (probe.cpuLastMs - probe.cpuFirstMs) / measuredFrames);
  return 0;
}
