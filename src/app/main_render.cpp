// brinemere-render: the program on the headless backend. Runs a number of frames
// at a chosen size, then releases Esc; reports the time per frame.
//
//   brinemere-render [--frames N] [--size WxH] [--start MS] [--out DIR]
//
// With --out every frame is written as DIR/frame_NNNNN.png.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/program.h"
#include "platform/headless/headless.h"

namespace {

int frameCount = 100;
std::string outDir;
int writeFailures = 0;

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
  const std::string path = outDir + name;
  const std::wstring widePath(path.begin(), path.end());
  if (!platform.encodePictureFile(picture, widePath.c_str(), 4, 90)) ++writeFailures;
}

void onPresent(int frame) {
  if (!outDir.empty()) writeFrame(frame);
  if (frame + 1 == frameCount) {
    headless::postKey(VK_ESCAPE, true);
    headless::postKey(VK_ESCAPE, false);
  }
}

int usage() {
  std::fprintf(stderr,
               "usage: brinemere-render [--frames N] [--size WxH] [--start MS] [--out DIR]\n");
  return 2;
}

bool readInt(const char* text, long low, long high, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return end != text && *end == 0 && value >= low && value <= high;
}

}  // namespace

int main(int argc, char** argv) {
  headless::Options options;
  options.screenWidth = 1920;
  options.screenHeight = 1080;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    long value = 0;
    if (arg == "--frames" && i + 1 < argc) {
      if (!readInt(argv[++i], 1, 1000000, value)) return usage();
      frameCount = static_cast<int>(value);
    } else if (arg == "--size" && i + 1 < argc) {
      int w = 0, h = 0;
      if (std::sscanf(argv[++i], "%dx%d", &w, &h) != 2 || w < 8 || h < 8 || w > 16384 ||
          h > 16384) {
        std::fprintf(stderr, "brinemere-render: --size wants WxH between 8 and 16384\n");
        return 2;
      }
      options.screenWidth = w;
      options.screenHeight = h;
    } else if (arg == "--start" && i + 1 < argc) {
      if (!readInt(argv[++i], 0, 0x7FFFFFFF, value)) return usage();
      options.startTimeMs = static_cast<std::uint32_t>(value);
    } else if (arg == "--out" && i + 1 < argc) {
      outDir = argv[++i];
    } else {
      return usage();
    }
  }
  options.onPresent = onPresent;
  headless::configure(options);
  const auto start = std::chrono::steady_clock::now();
  const int code = runProgram(0, SW_SHOWNORMAL);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const int frames = headless::framesPresented();
  std::printf("%d frames at %dx%d, %.3f ms per frame\n", frames, options.screenWidth,
              options.screenHeight, frames ? ms / frames : 0.0);
  if (writeFailures) {
    std::fprintf(stderr, "brinemere-render: %d frames could not be written to %s\n", writeFailures,
                 outDir.c_str());
    return 1;
  }
  return code;
}
