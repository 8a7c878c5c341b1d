// brinemere-render: the program on the headless backend. Renders a number of frames
// at a chosen size and seed, releases keys at chosen frames, writes the frames as
// PNG pictures and reports the time per frame.
//
//   brinemere-render [--frames N] [--size WxH] [--seed S] [--keys F:KEY,...]
//                    [--out DIR] [--every K] [--quiet]
//
// The scene seeds itself from the clock at start; the virtual clock is set so that
// the seed is S (0 .. 32767). KEY is a key name (Enter, Space, CL, CU, CR, CD, F1,
// Esc, A ... Z): it is pressed and released after frame F. Esc is released after
// the last frame. With --out every K-th frame (default every one) is written as
// DIR/frame_NNNNN.png.

#include <chrono>
#include <cstdio>
#include <string>

#include "app/program.h"
#include "app/render_options.h"
#include "input/input_state.h"
#include "platform/headless/headless.h"

namespace {

RenderOptions settings;
int writeFailures = 0;
std::chrono::steady_clock::time_point started;

// The time the process thread sleeps before the scene reads the clock.
constexpr std::uint32_t startDelayMs = 10;

void writeFrame(int frame) {
  const headless::Canvas* canvas = headless::windowCanvas(headless::mainWindow());
  if (!canvas || !platform.encodePictureFile) {
    ++writeFailures;
    return;
  }
  PictureData picture;
  picture.width = canvas->width;
  picture.height = canvas->height;
  picture.pixels = canvas->pixels;
  char name[32];
  std::snprintf(name, sizeof name, "/frame_%05d.png", frame);
  const std::string path = settings.outDir + name;
  const std::wstring widePath(path.begin(), path.end());
  if (!platform.encodePictureFile(picture, widePath.c_str(), 4, 90)) ++writeFailures;
}

void showProgress(int frame) {
  if (settings.quiet || settings.frames < 100) return;
  const int step = settings.frames / 20;
  if (frame % step != 0 && frame + 1 != settings.frames) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::fprintf(stderr, "\rframe %d of %d (%.1f s)", frame + 1, settings.frames, seconds);
  if (frame + 1 == settings.frames) std::fprintf(stderr, "\n");
}

void onPresent(int frame) {
  if (!settings.outDir.empty() && frame % settings.every == 0) writeFrame(frame);
  showProgress(frame);
  for (const KeyRelease& k : settings.keys) {
    if (k.frame == frame) {
      headless::postKey(k.vk, true);
      headless::postKey(k.vk, false);
    }
  }
  if (frame + 1 == settings.frames) {
    headless::postKey(VK_ESCAPE, true);
    headless::postKey(VK_ESCAPE, false);
  }
}

int usage(const std::string& problem) {
  std::fprintf(stderr, "brinemere-render: %s\n%s", problem.c_str(), renderUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string problem;
  if (!parseRenderArguments(argc, argv, settings, problem)) return usage(problem);
  headless::Options options;
  options.screenWidth = settings.width;
  options.screenHeight = settings.height;
  options.startTimeMs = static_cast<std::uint32_t>(settings.seed) - startDelayMs;
  options.onPresent = onPresent;
  headless::configure(options);
  started = std::chrono::steady_clock::now();
  const int code = runProgram(0, SW_SHOWNORMAL);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  const int frames = headless::framesPresented();
  std::printf("%d frames at %dx%d, seed %d: %.3f ms per frame\n", frames, options.screenWidth,
              options.screenHeight, settings.seed, frames ? ms / frames : 0.0);
  if (writeFailures) {
    std::fprintf(stderr, "brinemere-render: %d frames could not be written to %s\n", writeFailures,
                 settings.outDir.c_str());
    return 1;
  }
  return code;
}
