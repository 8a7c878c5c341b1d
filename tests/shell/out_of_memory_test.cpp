// Memory running out at each allocation a run reaches: every one must end the run
// through the "Out of memory" box and the close, with exit code 0 and no hang.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "fake_pictures.h"
#include "input/input_state.h"
#include "platform/headless/headless.h"
#include "shell/shell.h"
#include "surface/memory.h"
#include "surface/surface.h"

namespace {

constexpr int framesPerRun = 3;

void escAfterLastFrame(int frame) {
  if (frame == framesPerRun - 1) headless::postKey(VK_ESCAPE, false);
}

int runOnce(long failing) {
  resetShellState();
  backBuffer = BackBuffer{};
  headless::Options options;
  options.screenWidth = 320;
  options.screenHeight = 200;
  options.onPresent = escAfterLastFrame;
  headless::configure(options);
  fake_pictures::installProgramStandIns(0xFF2468AC, 0xFF3060A0);
  failAllocationAt(failing);
  const int code = runProgram(0, SW_SHOWNORMAL);
  // A stopped process frees nothing; the next run must allocate from nothing again.
  shutdownDrawing();
  return code;
}

}  // namespace

TEST(OutOfMemory, EachAllocationOfARunEndsItThroughTheErrorBox) {
  const Platform saved = platform;
  ASSERT_EQ(runOnce(0), 0);
  ASSERT_EQ(headless::framesPresented(), framesPerRun);
  ASSERT_TRUE(headless::messageBoxes().empty());
  const long sites = failAllocationAt(0);
  ASSERT_GT(sites, 0) << "a run that allocates nothing tests nothing";

  for (long n = 1; n <= sites; ++n) {
    EXPECT_EQ(runOnce(n), 0) << "allocation " << n;
    const std::vector<std::wstring>& boxes = headless::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << "allocation " << n;
    EXPECT_EQ(boxes[0], L"Process Runtime Error|Out of memory") << "allocation " << n;
    EXPECT_EQ(shell.processFinished, 0) << "the process was stopped, not finished";
    EXPECT_LE(headless::framesPresented(), framesPerRun);
  }
  failAllocationAt(0);
  platform = saved;
  resetShellState();
  backBuffer = BackBuffer{};
}
