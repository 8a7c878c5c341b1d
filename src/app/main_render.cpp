// brinemere-render: the program on the headless backend. Renders a number of frames
// at a chosen size and seed, releases keys at chosen frames, writes the frames as
// PNG pictures, an animated GIF or a YUV4MPEG2 stream, and reports the time per frame.
// It renders the scene only: no splash.
//
//   brinemere-render [--frames N] [--size WxH] [--seed S] [--keys F:KEY,...]
//                    [--out DIR] [--gif FILE] [--y4m FILE|-] [--every K] [--quiet]
//
// The scene seeds itself from the clock at start; the virtual clock is set so that
// the seed is S (0 .. 32767). KEY is a key name (Enter, Space, CL, CU, CR, CD, F1,
// Esc, A ... Z): it is pressed and released after frame F. Esc is released after
// the last frame. With --out every K-th frame (default every one) is written as
// DIR/frame_NNNNN.png; --gif writes every K-th frame into one looping GIF; --y4m
// writes every frame at the scene's 30 frames per second ("-": standard output,
// and the closing report then goes to standard error). A bar on standard error
// shows the progress when it is a terminal.

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/y4m.h"
#include "input/input_state.h"
#include "platform/common/codecs.h"
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
  std::string gifPath, y4mPath;
  std::vector<KeyRelease> keys;
};

// A film being written: the open file and what failed first.
struct Film {
  std::FILE* file = nullptr;
  std::string path;
  std::string error;  // empty while every write worked
};

Settings settings;
int writeFailures = 0;
std::chrono::steady_clock::time_point started;
Film gif, y4m;
emu::GifAnimation* animation = nullptr;
std::vector<std::uint8_t> y4mBytes;
bool y4mHeaderWritten = false;
bool barOpen = false;  // the progress bar's line is not ended yet

// The time the process thread sleeps before the scene reads the clock.
constexpr std::uint32_t startDelayMs = 10;
// The scene paces itself at 30 frames per second; films play at that rate.
constexpr int filmRate = 30;

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

// Frame F of a film of rate R starts at F * 100 / R hundredths of a second; the
// delays are the differences, so a GIF at 30 fps alternates 3, 3 and 4.
int gifDelay(int frame) {
  const long long k = settings.every;
  return static_cast<int>(((frame + k) * 100 + filmRate / 2) / filmRate -
                          (frame * 100 + filmRate / 2) / filmRate);
}

// The frame as a picture, top row first, opaque (presentation ignores alpha).
bool canvasPicture(PictureData& picture) {
  const headless::Canvas* canvas = headless::windowCanvas(headless::mainWindow());
  if (!canvas) return false;
  picture.width = canvas->width;
  picture.height = canvas->height;
  picture.pixels = canvas->pixels;
  for (std::uint32_t& p : picture.pixels) p |= 0xFF000000u;
  return true;
}

// Keeps the first failure of a film, in the system's words when it gave any.
void failFilm(Film& film) {
  if (film.error.empty()) film.error = errno ? std::strerror(errno) : "write failed";
}

void writeFilms(int frame) {
  if (!gif.file && !y4m.file) return;
  PictureData picture;
  if (!canvasPicture(picture)) {
    errno = 0;
    failFilm(gif.file ? gif : y4m);
    return;
  }
  if (gif.file && gif.error.empty() && frame % settings.every == 0) {
    if (!animation) animation = emu::openGifAnimation(gif.file, picture.width, picture.height);
    errno = 0;
    if (!emu::addGifFrame(animation, picture, gifDelay(frame))) failFilm(gif);
  }
  if (y4m.file && y4m.error.empty()) {
    if (!y4mHeaderWritten) {
      const std::string header = y4mHeader(picture.width, picture.height, filmRate);
      errno = 0;
      if (std::fwrite(header.data(), 1, header.size(), y4m.file) != header.size()) {
        failFilm(y4m);
      }
      y4mHeaderWritten = true;
    }
    y4mFrame(picture.pixels.data(), picture.width, picture.height, y4mBytes);
    errno = 0;
    if (std::fwrite(y4mBytes.data(), 1, y4mBytes.size(), y4m.file) != y4mBytes.size()) {
      failFilm(y4m);
    }
  }
}

// "[#####-----]  45%  135/300 frames  28.3 fps  6 s left", redrawn in place.
void showProgress(int frame) {
  if (settings.quiet || !headless::stderrIsTerminal()) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const int done = frame + 1;
  // Ten redraws a second are enough to read; more only load the terminal.
  static double lastDrawn = -1.0;
  if (done != settings.frames && seconds - lastDrawn < 0.1) return;
  lastDrawn = seconds;
  const double rate = seconds > 0 ? done / seconds : 0.0;
  const double left = rate > 0 ? (settings.frames - done) / rate : 0.0;
  constexpr int barWidth = 30;
  const int filled = static_cast<int>(static_cast<long long>(done) * barWidth / settings.frames);
  char bar[barWidth + 1];
  for (int i = 0; i < barWidth; ++i) bar[i] = i < filled ? '#' : '-';
  bar[barWidth] = 0;
  std::fprintf(stderr, "\r[%s] %3d%%  %d/%d frames  %.1f fps  %.0f s left ", bar,
               static_cast<int>(100LL * done / settings.frames), done, settings.frames, rate, left);
  barOpen = done != settings.frames;
  if (!barOpen) std::fprintf(stderr, "\n");
}

void onPresent(int frame) {
  if (!settings.outDir.empty() && frame % settings.every == 0) writeFrame(frame);
  writeFilms(frame);
  showProgress(frame);
  // A film that cannot be written ends the run rather than render for nothing.
  const bool filmFailed = !gif.error.empty() || !y4m.error.empty();
  for (const KeyRelease& k : settings.keys) {
    if (k.frame == frame) {
      headless::postKey(k.vk, true);
      headless::postKey(k.vk, false);
    }
  }
  if (frame + 1 == settings.frames || filmFailed) {
    headless::postKey(VK_ESCAPE, true);
    headless::postKey(VK_ESCAPE, false);
  }
}

int usage(const char* problem) {
  std::fprintf(stderr, "brinemere-render: %s\n", problem);
  std::fprintf(
      stderr,
      "usage: brinemere-render [--frames N] [--size WxH] [--seed S] [--keys F:KEY,...]\n"
      "                        [--out DIR] [--gif FILE] [--y4m FILE|-] [--every K] [--quiet]\n");
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

// Opens a film's file before the run, so a bad path fails at once; "-" is standard
// output. An empty path means no film.
bool openFilm(Film& film, const std::string& path) {
  if (path.empty()) return true;
  film.path = path == "-" ? "standard output" : path;
  film.file = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
  if (film.file) return true;
  std::fprintf(stderr, "brinemere-render: cannot write %s: %s\n", path.c_str(),
               std::strerror(errno));
  return false;
}

// Flushes and closes a film; says what failed and removes a broken file.
bool closeFilm(Film& film) {
  if (!film.file) return true;
  errno = 0;
  if (std::fflush(film.file) != 0) failFilm(film);
  if (film.file != stdout && std::fclose(film.file) != 0) failFilm(film);
  film.file = nullptr;
  if (film.error.empty()) return true;
  std::fprintf(stderr, "brinemere-render: cannot write %s: %s\n", film.path.c_str(),
               film.error.c_str());
  if (film.path != "standard output") std::remove(film.path.c_str());
  return false;
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
    } else if (arg == "--gif" && hasValue) {
      settings.gifPath = argv[++i];
    } else if (arg == "--y4m" && hasValue) {
      settings.y4mPath = argv[++i];
    } else if (arg == "--every" && hasValue) {
      if (!readInt(argv[++i], 1, 10000000, value)) return usage("--every wants 1 or more");
      settings.every = static_cast<int>(value);
    } else if (arg == "--quiet") {
      settings.quiet = true;
    } else {
      return usage(("unknown argument " + arg).c_str());
    }
  }
  if (!openFilm(gif, settings.gifPath) || !openFilm(y4m, settings.y4mPath)) return 1;
  options.startTimeMs = static_cast<std::uint32_t>(seed) - startDelayMs;
  options.onPresent = onPresent;
  headless::configure(options);
  started = std::chrono::steady_clock::now();
  const int code = runProgram(0, SW_SHOWNORMAL, withoutSplash);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  const int frames = headless::framesPresented();
  if (barOpen) std::fprintf(stderr, "\n");  // a run cut short leaves the bar's line open
  errno = 0;
  if (gif.file && !emu::closeGifAnimation(animation)) failFilm(gif);
  const bool filmsWritten = closeFilm(gif) & closeFilm(y4m);
  // The stream may own standard output; the report then goes beside the bar.
  std::FILE* report = settings.y4mPath == "-" || settings.gifPath == "-" ? stderr : stdout;
  std::fprintf(report, "%d frames at %dx%d, seed %ld: %.3f ms per frame\n", frames,
               options.screenWidth, options.screenHeight, seed, frames ? ms / frames : 0.0);
  if (writeFailures) {
    std::fprintf(stderr, "brinemere-render: %d frames could not be written to %s\n", writeFailures,
                 settings.outDir.c_str());
    return 1;
  }
  return filmsWritten ? code : 1;
}
