// brinemere in a web page (the web backend).
//
// Live: the splash, then the sea at the page's size; Esc stops it and a click or a
// key starts it again. A new page size starts it again at once at that size, without
// the splash, in the scheme, force, foam and drift it had. The parameters scheme,
// force, foam (0 or 1) and drift start it otherwise; a bad one is ignored with a
// warning.
//
// Render mode (render=1): the frame renderer's options as parameters (frames, size,
// seed, keys, demo, hashes and the start options), drawn on a virtual clock; with
// hashes=1 each frame is reported as "FRAME HASH" (brinemere-render --hashes), then "N frames at
// WxH, seed S: X ms per frame" (the renderer's line) and "done"; a bad parameter as "error:
// REASON", then "done".

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "app/render_options.h"
#include "app/start_options.h"
#include "demo/demo_scene.h"
#include "input/input_state.h"
#include "platform/web/web.h"
#include "sea/scene_start.h"
#include "sea/sea_scene.h"
#include "sea/waves.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

using Parameters = std::vector<std::pair<std::string, std::string>>;

RenderOptions settings;

// The back buffer, the window's picture and the page's copy each hold every pixel.
constexpr long long pageLimit = 7680LL * 4320;

// One parameter as the renderer's arguments: --name value, --name alone when it has
// no value; foam=0 and foam=1 are --no-foam and --foam, hashes=1 is --hashes.
std::vector<std::string> asArguments(const std::pair<std::string, std::string>& p) {
  if (p.first == "foam" && (p.second == "0" || p.second == "1")) {
    return {p.second == "0" ? "--no-foam" : "--foam"};
  }
  if (p.first == "hashes" && p.second == "1") return {"--hashes"};
  if (p.second.empty()) return {"--" + p.first};
  return {"--" + p.first, p.second};
}

int readArguments(const std::vector<std::string>& words, RenderOptions& options,
                  std::string& problem) {
  std::vector<const char*> argv{"brinemere"};
  for (const std::string& w : words) argv.push_back(w.c_str());
  return parseRenderArguments(static_cast<int>(argv.size()), argv.data(), options, problem);
}

void onPresent(int frame) {
  const emu::Canvas* canvas = web::windowCanvas();
  if (canvas && settings.hashes) {
    char line[40];
    std::snprintf(line, sizeof line, "%d %016llx", frame,
                  static_cast<unsigned long long>(emu::hashCanvas(*canvas)));
    web::report(line);
  }
  for (const ScriptEvent& e : settings.script) {
    if (e.frame == frame) {
      web::postKey(e.vk, true);
      web::postKey(e.vk, false);
    }
  }
  if (frame + 1 == settings.frames) {
    web::postKey(VK_ESCAPE, true);
    web::postKey(VK_ESCAPE, false);
  }
}

bool splash = true;  // false: the run starts again at a new page size

// After the registration step of a live run: the scene's state as it will start,
// so that a run closed before its scene began hands on the same.
void startLive() {
  schemeIndex = sceneStart.scheme;
  waveForce = sceneStart.force;
  whiteHorses = sceneStart.foam;
  waveDirection = sceneStart.direction;
  if (!splash) withoutSplash();
}

// The renderer's run, on the virtual clock, reported line by line.
void render(const Parameters& parameters) {
  std::vector<std::string> words;
  for (const auto& p : parameters) {
    if (p.first == "render") continue;
    for (std::string& w : asArguments(p)) words.push_back(std::move(w));
  }
  std::string problem;
  if (!readArguments(words, settings, problem)) {
    web::report("error: " + problem);
  } else if (static_cast<long long>(settings.width) * settings.height > pageLimit) {
    web::report("error: size: at most 7680x4320 pixels in a page (its memory ends at 2 GiB)");
  } else if (!settings.outDir.empty() || !settings.gifPath.empty() || !settings.y4mPath.empty()) {
    web::report("error: a page writes no files (out, gif, y4m)");
  } else {
    bool mouse = false;
    for (const ScriptEvent& e : settings.script) mouse |= e.action != ScriptAction::key;
    if (mouse) {
      web::report("error: keys only; the page takes no mouse events in its script");
    } else {
      web::Options options;
      options.virtualClock = true;
      options.startTimeMs = static_cast<std::uint32_t>(settings.seed) - 10;  // the process's sleep
      options.screenWidth = settings.width;
      options.screenHeight = settings.height;
      options.onPresent = onPresent;
      web::configure(options);
      sceneStart = settings.start;
      demoRemembersState = 0;
      const double started = web::realMilliseconds();
      if (settings.demo) {
        runApplication(registerDemo, 0, SW_SHOWNORMAL);
      } else {
        runProgram(0, SW_SHOWNORMAL, withoutSplash);
      }
      const double ms = web::realMilliseconds() - started;
      const int frames = web::framesPresented();
      char line[128];
      std::snprintf(line, sizeof line, "%d frames at %dx%d, seed %d: %.3f ms per frame", frames,
                    settings.width, settings.height, settings.seed, frames ? ms / frames : 0.0);
      web::report(line);
      web::showFrame();
    }
  }
  web::report("done");
}

}  // namespace

// For the page's tests: a run-time error as the framework reports one (out of
// memory in a frame, say), while the sea runs.
extern "C" void web_page_runtime_error() { showRuntimeError(L"Out of memory"); }

int main() {
  const Parameters parameters = web::pageParameters();
  for (const auto& p : parameters) {
    if (p.first == "render" && p.second == "1") {
      render(parameters);
      return 0;
    }
  }
  for (const auto& p : parameters) {
    const std::vector<std::string> words = asArguments(p);
    std::vector<const char*> argv{"brinemere"};
    for (const std::string& w : words) argv.push_back(w.c_str());
    std::string problem;
    SceneStart start = sceneStart;
    const int used =
        readStartOption(static_cast<int>(argv.size()), argv.data(), 1, "--", start, problem);
    if (used == static_cast<int>(words.size())) {
      sceneStart = start;
    } else {
      web::warn("brinemere: ignored the parameter " + p.first + "=" + p.second +
                (problem.empty() ? "" : " (" + problem.substr(2) + ")"));
    }
  }
  const SceneStart asked = sceneStart;
  for (;;) {
    web::configure(web::Options{});
    runProgram(0, SW_SHOWNORMAL, startLive);
    const SceneStart reached{schemeIndex, waveForce, whiteHorses, waveDirection};
    resetShellState();
    backBuffer = BackBuffer{};
    splash = !web::endedByResize();
    if (splash) {
      sceneStart = asked;
      web::waitForRestart();
    } else {
      sceneStart = reached;
    }
  }
}
