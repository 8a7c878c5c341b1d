// Whole runs of the program on the headless backend: the run modes, the splash, the
// end of a run by Esc or from outside, the preview child. The program's pictures are
// stand-ins of the test's own, one flat colour each.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/program.h"
#include "fake_pictures.h"
#include "input/input_state.h"
#include "platform/common/window_system.h"
#include "platform/headless/headless.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

constexpr Color splashColour = 0xFF2468ACu, previewColour = 0xFF3060A0u;

void useStandInPictures() { fake_pictures::installProgramStandIns(splashColour, previewColour); }

struct Run : ::testing::Test {
  Platform saved = platform;
  headless::Options options;
  void SetUp() override {
    fresh();
    options.screenWidth = 1366;
    options.screenHeight = 768;
  }
  void TearDown() override {
    fresh();
    platform = saved;
  }
  // The state before a run; also between the runs of one test.
  static void fresh() {
    resetShellState();
    backBuffer = BackBuffer{};
  }
  int run(std::vector<std::wstring> arguments) {
    arguments.insert(arguments.begin(), L"C:\\x\\brinemere.scr");
    options.arguments = arguments;
    headless::configure(options);
    useStandInPictures();
    return runProgram(0, SW_SHOWNORMAL);
  }
};

// Presses Esc at frame 2, releases it at frame 8.
void escHeldThenReleased(int frame) {
  if (frame == 2) headless::postKey(VK_ESCAPE, true);
  if (frame == 5) {
    EXPECT_EQ(input.keyHeld[VK_ESCAPE], 1);
  }
  if (frame == 8) headless::postKey(VK_ESCAPE, false);
}

}  // namespace

TEST_F(Run, FullScreenWindowRunsUntilEscIsReleased) {
  options.onPresent = escHeldThenReleased;
  EXPECT_EQ(run({}), 0);
  // Held from frame 2 to 8; the release ends the run after the frame being drawn.
  EXPECT_GE(headless::framesPresented(), 9);
  EXPECT_LE(headless::framesPresented(), 10);
  EXPECT_EQ(shellConfig.windowWidth, 1368);
  EXPECT_EQ(shellConfig.windowHeight, 768);
  EXPECT_EQ(shell.processFinished, 1);
  EXPECT_EQ(backBuffer.pixels, nullptr);  // shutdownDrawing ran
}

// Keys released together after frame 3 (Esc first); the run would go on to 40.
std::vector<int> keysAtFrame3;
void releaseKeysAtFrame3(int frame) {
  if (frame == 3) {
    for (int vk : keysAtFrame3) {
      headless::postKey(vk, true);
      headless::postKey(vk, false);
    }
  }
  if (frame == 40) headless::postKey(VK_ESCAPE, false);
}

TEST_F(Run, KeysReleasedAfterEscDoNotTakeTheExitBack) {
  options.onPresent = releaseKeysAtFrame3;
  keysAtFrame3 = {VK_ESCAPE};
  ASSERT_EQ(run({}), 0);
  const int escAlone = headless::framesPresented();
  EXPECT_LE(escAlone, 5);
  const std::vector<std::vector<int>> scripts = {
      {VK_ESCAPE, VK_RETURN}, {VK_ESCAPE, VK_SPACE, VK_F1}, {VK_ESCAPE, 'A', VK_ESCAPE}};
  for (const std::vector<int>& keys : scripts) {
    keysAtFrame3 = keys;
    fresh();
    ASSERT_EQ(run({}), 0);
    EXPECT_EQ(headless::framesPresented(), escAlone) << keys.size() << " keys";
  }
}

// Frame 0 is the splash; the scene's first frame comes at least 1000 ms after it.
std::uint32_t presentedAt[2];
Color centre[2], corner[2];
void recordSplash(int frame) {
  if (frame < 2) {
    const headless::Canvas* c = headless::windowCanvas(headless::mainWindow());
    presentedAt[frame] = headless::now();
    centre[frame] = c->pixels[(c->height / 2) * c->width + c->width / 2];
    corner[frame] = c->pixels[0];
  }
  if (frame == 1) {
    headless::postKey(VK_ESCAPE, true);
    headless::postKey(VK_ESCAPE, false);
  }
}

TEST_F(Run, SplashIsCentredOnBlackForASecondThenTheSea) {
  options.onPresent = recordSplash;
  EXPECT_EQ(run({}), 0);
  EXPECT_EQ(centre[0], splashColour);
  EXPECT_EQ(corner[0], 0xFF000000u);
  EXPECT_GE(presentedAt[1] - presentedAt[0], 1000u);
  EXPECT_LE(presentedAt[1] - presentedAt[0], 1200u);
  EXPECT_NE(centre[1], splashColour);
  EXPECT_NE(corner[1], 0xFF000000u);  // the sky
  EXPECT_EQ(backBuffer.clearColour, 0xFF000000u);
  EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(Run, SlashSRunsLikeNoArgument) {
  options.onPresent = escHeldThenReleased;
  EXPECT_EQ(run({L"/S"}), 0);
  EXPECT_EQ(shell.saverMode, 1);
  EXPECT_GE(headless::framesPresented(), 9);
}

// Handle zero, a text or a window that does not exist.
TEST_F(Run, PreviewWithoutAHostEndsWithoutAWindow) {
  for (const wchar_t* handle : {L"0", L"abc", L"424242"}) {
    EXPECT_EQ(run({L"/p", handle}), 0);
    EXPECT_EQ(shell.mainWindow, 0u);
    EXPECT_TRUE(headless::messageBoxes().empty());
  }
}

TEST_F(Run, OtherArgumentsShowTheHelpBox) {
  EXPECT_EQ(run({L"/c:1234"}), 0);
  ASSERT_EQ(headless::messageBoxes().size(), 1u);
  EXPECT_EQ(headless::messageBoxes()[0],
            L"    Quillmark|\nExit - key Esc  \n\nHelp - key F1  \n\n");
  EXPECT_EQ(run({L"/p"}), 0);
  EXPECT_EQ(headless::messageBoxes().size(), 1u);  // a new configure starts a new list
  EXPECT_EQ(headless::framesPresented(), 0);
}

// Messages from outside at several moments of a run: each ends it cleanly, the
// display change after its box.
std::uint32_t outsideMessage = 0;
int outsideFrame = 0;
void postFromOutside(int frame) {
  if (frame == outsideFrame) emu::post(shell.mainWindow, outsideMessage, 0, 0);
}

TEST_F(Run, CloseOrDisplayChangeAtAnyFrameEndsTheRunCleanly) {
  const std::wstring refusal =
      L"Tarn : Brinemere|Adequate Desktop Resizing or Rotation on the fly - not support.  \n"
      L"Run this program after these operations, please.";
  options.onPresent = postFromOutside;
  for (const std::uint32_t message : {WM_CLOSE, WM_DISPLAYCHANGE}) {
    for (const int frame : {0, 1, 4, 7}) {
      outsideMessage = message;
      outsideFrame = frame;
      fresh();
      EXPECT_EQ(run({}), 0) << message << " at frame " << frame;
      EXPECT_EQ(headless::framesPresented(), frame + 1) << message << " at frame " << frame;
      EXPECT_EQ(shell.processFinished, 0);
      const std::vector<std::wstring>& boxes = headless::messageBoxes();
      if (message == WM_DISPLAYCHANGE) {
        ASSERT_EQ(boxes.size(), 1u) << frame;
        EXPECT_EQ(boxes[0], refusal);
        EXPECT_EQ(shell.displayChanged, 1);
      } else {
        EXPECT_TRUE(boxes.empty()) << frame;
      }
    }
  }
}

TEST_F(Run, PreviewPaintsAChildOfTheHostsClientSize) {
  options.arguments = {L"brinemere.scr"};
  headless::configure(options);
  useStandInPictures();
  // The host: a window of some other program, made before the run.
  ASSERT_EQ(platform.registerClass(WindowClass{L"host", 0, 0, 0, 0},
                                   [](Handle w, std::uint32_t m, WParam wp, LParam lp) {
                                     return platform.defWindowProc(w, m, wp, lp);
                                   }),
            1);
  const Handle host = platform.createWindow(L"host", L"host", WS_POPUP, 0, 0, 200, 150, 0);
  ASSERT_NE(host, 0u);
  // Closing the child ends the preview run, as when the host destroys it.
  std::atomic<bool> stop{false};
  std::atomic<int> childWidth{0}, childHeight{0}, cornerPixel{0}, picturePixel{0};
  std::thread closer([&] {
    while (!stop && !shell.mainWindow) std::this_thread::yield();
    while (!stop && !headless::windowCanvas(shell.mainWindow)) std::this_thread::yield();
    // Let the first WM_PAINT happen before closing.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (const headless::Canvas* c = headless::windowCanvas(shell.mainWindow)) {
      childWidth = c->width;
      childHeight = c->height;
      cornerPixel = static_cast<int>(c->pixels[10 * c->width + 10]);
      // The picture starts at ((200 - 152) / 2, (150 - 112) / 2) = (24, 19).
      picturePixel = static_cast<int>(c->pixels[19 * c->width + 24]);
    }
    emu::post(shell.mainWindow, WM_CLOSE, 0, 0);
  });
  // configure() would forget the host: set the arguments on the installed backend.
  const std::wstring handle = std::to_wstring(host);
  static std::vector<std::wstring> arguments;
  arguments = {L"brinemere.scr", L"/p", handle};
  platform.commandLineArguments = [] { return arguments; };
  EXPECT_EQ(runProgram(0, SW_SHOWNORMAL), 0);
  stop = true;
  closer.join();
  EXPECT_EQ(shell.previewMode, 1);
  EXPECT_EQ(childWidth, 200);
  EXPECT_EQ(childHeight, 150);
  EXPECT_EQ(static_cast<std::uint32_t>(cornerPixel.load()), 0xFF000000u);
  EXPECT_EQ(static_cast<std::uint32_t>(picturePixel.load()), previewColour);
  EXPECT_EQ(shell.previewRect.right, 200);    // the host's client area, kept
  EXPECT_EQ(headless::framesPresented(), 0);  // no process thread
  EXPECT_EQ(shell.processThread, 0u);
}

// The program's own pictures, missing or cut short: each ends the run through the
// error box and the close, with exit code 0, wherever the run needs the picture.
struct ResourceFault {
  const wchar_t* name;
  bool missing;  // else the first bytes only, as from a damaged file
};
ResourceFault resourceFault;
const std::uint8_t* (*realFindResource)(const wchar_t*, const wchar_t*, std::size_t&) = nullptr;

const std::uint8_t* faultyFindResource(const wchar_t* name, const wchar_t* type,
                                       std::size_t& size) {
  const std::uint8_t* bytes = realFindResource(name, type, size);
  if (!bytes || !name || std::wstring(name) != resourceFault.name) return bytes;
  if (resourceFault.missing) {
    size = 0;
    return nullptr;
  }
  if (size > 40) size = 40;  // past the header, short of the pixels
  return bytes;
}

TEST_F(Run, AMissingOrDamagedPictureEndsTheRunThroughTheErrorBox) {
  const std::wstring notFound =
      L"Process Runtime Error|BaseSPR : Load : JPG, GIF, PNG or BMP Resource Not Found";
  options.onPresent = escHeldThenReleased;
  for (const wchar_t* name : {L"LoadScr", L"InfoScr", L"UrlScr", L"TYPE_EN_RU"}) {
    for (const bool missing : {true, false}) {
      const std::wstring what = std::wstring(name) + (missing ? L" missing" : L" cut short");
      fresh();
      options.arguments = {L"brinemere.scr"};
      headless::configure(options);
      std::size_t size = 0;
      const auto* bitmapType = reinterpret_cast<const wchar_t*>(std::uintptr_t{2});
      ASSERT_TRUE(platform.findResource(name, L"BINARYDATA", size) ||
                  platform.findResource(name, bitmapType, size))
          << "the program has no picture " << std::string(what.begin(), what.end());
      resourceFault = {name, missing};
      realFindResource = platform.findResource;
      platform.findResource = faultyFindResource;
      EXPECT_EQ(runProgram(0, SW_SHOWNORMAL), 0) << std::string(what.begin(), what.end());
      const std::vector<std::wstring>& boxes = headless::messageBoxes();
      ASSERT_EQ(boxes.size(), 1u) << std::string(what.begin(), what.end());
      EXPECT_EQ(boxes[0], notFound) << std::string(what.begin(), what.end());
      EXPECT_EQ(shell.processFinished, 0) << "the close stops the process";
    }
  }
}
