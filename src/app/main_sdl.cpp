// brinemere: the program on Linux (SDL2).
//
// Test hooks, read from the environment, let the end-to-end tests compare the
// frames on the window with the headless renderer's (brinemere-render --splash
// --hashes with the same seed and keys):
//   BRINEMERE_FRAME_HASHES=FILE  writes "FRAME HASH" for every frame shown;
//   BRINEMERE_SEED=S             the millisecond clock's first reading, which
//                                the scene takes as its seed, is S (0 .. 32767);
//   BRINEMERE_KEYS=F:KEY,...     presses and releases keys after frame F, before
//                                the next frame is drawn (as --keys does).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/render_options.h"
#include "app/start_options.h"
#include "platform/sdl/sdl.h"
#include "sea/scene_start.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

struct TestHooks {
  std::FILE* hashes = nullptr;
  std::vector<ScriptEvent> keys;
  std::uint32_t seed = 0;
  std::uint32_t (*clock)() = nullptr;  // the backend's own clock
  bool clockRead = false;
  std::uint32_t firstReading = 0;
};
TestHooks hooks;

void onFrame(int frame, std::uint64_t hash) {
  if (hooks.hashes) {
    std::fprintf(hooks.hashes, "%d %016llx\n", frame, static_cast<unsigned long long>(hash));
    std::fflush(hooks.hashes);
  }
  // Sent, not posted: the key handler has run before the next frame starts.
  for (const ScriptEvent& e : hooks.keys) {
    if (e.frame != frame) continue;
    platform.sendMessage(shell.mainWindow, WM_KEYDOWN, static_cast<WParam>(e.vk), 1);
    platform.sendMessage(shell.mainWindow, WM_KEYUP, static_cast<WParam>(e.vk),
                         static_cast<LParam>(static_cast<std::int32_t>(0xC0000001u)));
  }
}

std::uint32_t seededClock() {
  const std::uint32_t now = hooks.clock();
  if (!hooks.clockRead) {
    hooks.clockRead = true;
    hooks.firstReading = now;
  }
  return hooks.seed + (now - hooks.firstReading);
}

// 0 with a message when a hook's value is wrong.
int installTestHooks() {
  const char* hashes = std::getenv("BRINEMERE_FRAME_HASHES");
  const char* seed = std::getenv("BRINEMERE_SEED");
  const char* keys = std::getenv("BRINEMERE_KEYS");
  if (keys && (!parseEventScript(keys, hooks.keys) || hooks.keys.empty())) {
    std::fprintf(stderr, "brinemere: BRINEMERE_KEYS wants FRAME:KEY items, e.g. 1:F1,2:Enter\n");
    return 0;
  }
  for (const ScriptEvent& e : hooks.keys) {
    if (e.action != ScriptAction::key) {
      std::fprintf(stderr, "brinemere: BRINEMERE_KEYS takes keys only\n");
      return 0;
    }
  }
  if (seed) {
    char* end = nullptr;
    const long value = std::strtol(seed, &end, 10);
    if (end == seed || *end != 0 || value < 0 || value > 0x7FFF) {
      std::fprintf(stderr, "brinemere: BRINEMERE_SEED wants 0 .. 32767\n");
      return 0;
    }
    hooks.seed = static_cast<std::uint32_t>(value);
    hooks.clock = platform.timeGetTime;
    platform.timeGetTime = seededClock;
  }
  if (hashes) {
    hooks.hashes = std::fopen(hashes, "w");
    if (!hooks.hashes) {
      std::fprintf(stderr, "brinemere: cannot write %s\n", hashes);
      return 0;
    }
  }
  if (hashes || keys) sdl::setFrameHook(onFrame);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // The start options go to the scene; the rest (run modes, hack options) to SDL.
  std::vector<char*> rest;
  std::string problem;
  if (!takeStartOptions(argc, argv, sceneStart, rest, problem)) {
    std::fprintf(stderr, "brinemere: %s\n  options: %s\n", problem.c_str(),
                 startUsage("-").c_str());
    return 1;
  }
  if (!sdl::start(static_cast<int>(rest.size()), rest.data())) return 1;
  if (!installTestHooks()) {
    sdl::stop();
    return 1;
  }
  int code = runProgram(0, SW_SHOWNORMAL);
  // A screen-saver daemon's window took a new size: run again, drawn at that size.
  while (code == 0 && sdl::nextRun()) {
    resetShellState();
    backBuffer = BackBuffer{};
    code = runProgram(0, SW_SHOWNORMAL);
  }
  sdl::stop();
  if (hooks.hashes) std::fclose(hooks.hashes);
  return code;
}
