// brinemere-render: the program on the headless backend. Renders a number of frames
// at a chosen size and seed, releases keys at chosen frames, writes the frames as
// PNG pictures and reports the time per frame. It renders the scene only: no splash.
//
//   brinemere-render [--frames N] [--size WxH] [--seed S] [--keys F:KEY,...]
//                    [--out DIR] [--every K] [--quiet]
//
// The scene seeds itself from the clock at start; the virtual clock is set so that
// the seed is S (0 .. 32767). KEY is a key name (Enter, Space, CL, CU, CR, CD, F1,
// Esc, A ... Z): it is pressed and released after frame F. Esc is released after
// the last frame. With --out every K-th frame (default every one) is written as
// DIR/frame_NNNNN.png.

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/program.h"
#include "input/input_state.h"
#include "platform/headless/headless.h"

namespace {

struct KeyRelease {
  int frame;
  int vk;
};

struct Settings {
  int frames = 100;
  int every = 1;
  bool quiet = false;
  std::string outDir;
  std::vector<KeyRelease> keys;
};

Settings settings;
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

int usage(const char* problem) {
  std::fprintf(stderr, "brinemere-render: %s\n", problem);
  std::fprintf(stderr,
               "usage: brinemere-render [--frames N] [--size WxH] [--seed S] [--keys F:KEY,...]\n"
               "                        [--out DIR] [--every K] [--quiet]\n");
  return 2;
}

bool readInt(const char* text, long low, long high, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return end != text && *end == 0 && value >= low && value <= high;
}

bool sameIgnoringCase(const char* a, const std::string& b) {
  std::size_t i = 0;
  for (; a[i] && i < b.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return a[i] == 0 && i == b.size();
}

// A key by its name in the framework's key-name table, without regard to case.
int keyByName(const std::string& name) {
  for (int vk = 0; vk < keyCount; ++vk) {
    if (keyNamesUp[vk] && sameIgnoringCase(keyNamesUp[vk], name)) return vk;
  }
  return 0;
}

bool readKeys(const std::string& text, std::vector<KeyRelease>& keys) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    const std::string item = text.substr(at, comma - at);
    const std::size_t colon = item.find(':');
    if (colon == std::string::npos) return false;
    long frame = 0;
    if (!readInt(item.substr(0, colon).c_str(), 0, 100000000, frame)) return false;
    const int vk = keyByName(item.substr(colon + 1));
    if (!vk) return false;
    keys.push_back({static_cast<int>(frame), vk});
    at = comma + 1;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  headless::Options options;
  options.screenWidth = 1920;
  options.screenHeight = 1080;
  long seed = 347;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    long value = 0;
    if (arg == "--frames" && hasValue) {
      if (!readInt(argv[++i], 1, 10000000, value)) return usage("--frames wants 1 .. 10000000");
      settings.frames = static_cast<int>(value);
    } else if (arg == "--size" && hasValue) {
      int w = 0, h = 0;
      char extra = 0;
      if (std::sscanf(argv[++i], "%dx%d%c", &w, &h, &extra) != 2 || w < 8 || h < 8 || w > 16384 ||
          h > 16384) {
        return usage("--size wants WxH, each 8 .. 16384");
      }
      options.screenWidth = w;
      options.screenHeight = h;
    } else if (arg == "--seed" && hasValue) {
      if (!readInt(argv[++i], 0, 0x7FFF, seed)) return usage("--seed wants 0 .. 32767");
    } else if (arg == "--keys" && hasValue) {
      if (!readKeys(argv[++i], settings.keys)) {
        return usage("--keys wants FRAME:KEY pairs separated by commas, e.g. 10:Enter,20:CU");
      }
    } else if (arg == "--out" && hasValue) {
      settings.outDir = argv[++i];
    } else if (arg == "--every" && hasValue) {
      if (!readInt(argv[++i], 1, 10000000, value)) return usage("--every wants 1 or more");
      settings.every = static_cast<int>(value);
    } else if (arg == "--quiet") {
      settings.quiet = true;
    } else {
      return usage(("unknown argument " + arg).c_str());
    }
  }
  options.startTimeMs = static_cast<std::uint32_t>(seed) - startDelayMs;
  options.onPresent = onPresent;
  headless::configure(options);
  started = std::chrono::steady_clock::now();
  const int code = runProgram(0, SW_SHOWNORMAL, withoutSplash);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  const int frames = headless::framesPresented();
  std::printf("%d frames at %dx%d, seed %ld: %.3f ms per frame\n", frames, options.screenWidth,
              options.screenHeight, seed, frames ? ms / frames : 0.0);
  if (writeFailures) {
    std::fprintf(stderr, "brinemere-render: %d frames could not be written to %s\n", writeFailures,
                 settings.outDir.c_str());
    return 1;
  }
  return code;
}
