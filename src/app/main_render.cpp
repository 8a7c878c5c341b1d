// brinemere-render: the program on the headless backend. Renders a number of frames
// at a chosen size and seed, sends keys and mouse events at chosen frames, writes
// the frames as PNG pictures, an animated GIF or a YUV4MPEG2 stream, and reports the
// time per frame. It renders the scene (no splash), or with --demo the widget demo.
//
//   brinemere-render [--demo] [--frames N] [--size WxH] [--seed S] [--keys F:EVENT,...]
//                    [--out DIR] [--gif FILE] [--y4m FILE|-] [--every K] [--quiet]
//                    [--splash] [--hashes] [--scheme S] [--force F] [--foam|--no-foam]
//                    [--drift D] [--threads N]
//
// The scene seeds itself from the clock at start; the virtual clock is set so that
// the seed is S (0 .. 32767), and the start options set its first state
// as on the Linux program. --splash keeps the start-up screen as frame 0;
// --hashes prints "FRAME HASH" for every frame, the hash the golden frames compare
// on every target (emu::hashPixels). The event script (render_options.h) presses and
// releases keys, moves the mouse and presses its buttons after frame F. Esc is
// released after the last frame. The demo neither reads nor writes its settings
// file here. With --out every K-th frame (default every one) is written as
// DIR/frame_NNNNN.png; --gif writes every K-th frame into one looping GIF; --y4m
// writes every frame at the scene's 30 frames per second ("-": standard output,
// and the closing report then goes to standard error). A bar on standard error
// shows the progress when it is a terminal. --threads draws each frame of the scene
// in N bands of rows at once, with the same pixels as one thread.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/program.h"
#include "app/render_options.h"
#include "app/y4m.h"
#include "demo/demo_scene.h"
#include "input/input_state.h"
#include "platform/codecs/codecs.h"
#include "platform/headless/headless.h"
#include "sea/scene_start.h"
#include "vector/band_threads.h"

namespace {

// A film being written: the open file and what failed first.
struct Film {
  std::FILE* file = nullptr;
  std::string path;
  std::string error;  // empty while every write worked
};

RenderOptions settings;
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

// The button messages of each mouse event (a click is down, then up).
void sendEvent(const ScriptEvent& e, int& mouseX, int& mouseY) {
  struct Messages {
    ScriptAction action;
    std::uint32_t down, up;  // 0: not sent
  };
  static constexpr Messages buttons[] = {
      {ScriptAction::leftDown, WM_LBUTTONDOWN, 0},
      {ScriptAction::leftUp, 0, WM_LBUTTONUP},
      {ScriptAction::leftClick, WM_LBUTTONDOWN, WM_LBUTTONUP},
      {ScriptAction::rightDown, WM_RBUTTONDOWN, 0},
      {ScriptAction::rightUp, 0, WM_RBUTTONUP},
      {ScriptAction::rightClick, WM_RBUTTONDOWN, WM_RBUTTONUP},
  };
  if (e.action == ScriptAction::key) {
    headless::postKey(e.vk, true);
    headless::postKey(e.vk, false);
    return;
  }
  if (e.action == ScriptAction::move) {
    mouseX = e.x;
    mouseY = e.y;
    headless::postMouse(WM_MOUSEMOVE, mouseX, mouseY);
    return;
  }
  for (const Messages& m : buttons) {
    if (m.action != e.action) continue;
    if (m.down) headless::postMouse(m.down, mouseX, mouseY);
    if (m.up) headless::postMouse(m.up, mouseX, mouseY);
  }
}

void onPresent(int frame) {
  if (settings.hashes) {
    if (const headless::Canvas* canvas = headless::windowCanvas(headless::mainWindow())) {
      std::printf("%d %016llx\n", frame, static_cast<unsigned long long>(emu::hashCanvas(*canvas)));
    }
  }
  if (!settings.outDir.empty() && frame % settings.every == 0) writeFrame(frame);
  writeFilms(frame);
  showProgress(frame);
  // A film that cannot be written ends the run rather than render for nothing.
  const bool filmFailed = !gif.error.empty() || !y4m.error.empty();
  static int mouseX = 0, mouseY = 0;
  for (const ScriptEvent& e : settings.script) {
    if (e.frame == frame) sendEvent(e, mouseX, mouseY);
  }
  if (frame + 1 == settings.frames || filmFailed) {
    headless::postKey(VK_ESCAPE, true);
    headless::postKey(VK_ESCAPE, false);
  }
}

int usage(const std::string& problem) {
  std::fprintf(stderr, "brinemere-render: %s\n%s", problem.c_str(), renderUsage);
  return 2;
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
  std::string problem;
  if (!parseRenderArguments(argc, argv, settings, problem)) return usage(problem);
  options.screenWidth = settings.width;
  options.screenHeight = settings.height;
  if (!openFilm(gif, settings.gifPath) || !openFilm(y4m, settings.y4mPath)) return 1;
  // The frames' folder is made when missing, so a mistyped name fails before the run.
  std::error_code folderError;
  if (!settings.outDir.empty() && !std::filesystem::is_directory(settings.outDir, folderError) &&
      !std::filesystem::create_directories(settings.outDir, folderError)) {
    std::fprintf(stderr, "brinemere-render: cannot make the folder %s: %s\n",
                 settings.outDir.c_str(), folderError.message().c_str());
    return 1;
  }
  options.startTimeMs = static_cast<std::uint32_t>(settings.seed) - startDelayMs;
  options.onPresent = onPresent;
  options.copyThreads = settings.threads;
  headless::configure(options);
  started = std::chrono::steady_clock::now();
  demoRemembersState = 0;
  sceneStart = settings.start;
  setDrawingThreads(settings.threads);
  const int code = settings.demo
                       ? runApplication(registerDemo, 0, SW_SHOWNORMAL)
                       : runProgram(0, SW_SHOWNORMAL, settings.splash ? nullptr : withoutSplash);
  stopDrawingThreads();  // the scene ends them itself, unless its run was cut short
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  const int frames = headless::framesPresented();
  if (barOpen) std::fprintf(stderr, "\n");  // a run cut short leaves the bar's line open
  errno = 0;
  if (gif.file && !emu::closeGifAnimation(animation)) failFilm(gif);
  const bool filmsWritten = closeFilm(gif) & closeFilm(y4m);
  // The stream may own standard output; the report then goes beside the bar.
  std::FILE* report = settings.y4mPath == "-" || settings.gifPath == "-" ? stderr : stdout;
  std::fprintf(report, "%d frames at %dx%d, seed %d: %.3f ms per frame\n", frames,
               options.screenWidth, options.screenHeight, settings.seed,
               frames ? ms / frames : 0.0);
  if (writeFailures) {
    std::fprintf(stderr, "brinemere-render: %d frames could not be written to %s\n", writeFailures,
                 settings.outDir.c_str());
    return 1;
  }
  return filmsWritten ? code : 1;
}
