// The back buffer's hand-over between the two threads: WM_PAINT on the main thread
// copies the surface while the process thread makes and releases it.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/headless/headless.h"
#include "shell/shell.h"
#include "surface/surface.h"

TEST(SurfaceHandover, PaintDuringReleaseNeverCopiesAFreedSurface) {
  const Platform saved = platform;
  resetShellState();
  backBuffer = BackBuffer{};
  headless::configure(headless::Options{});
  setScreenSize(64, 48);
  backBuffer.clearColour = 0xFF00FF00;
  ASSERT_EQ(platform.registerClass(WindowClass{L"handover", 0, 0, 0, 0}, windowProc), 1);
  const Handle window = platform.createWindow(L"handover", L"handover", WS_POPUP, 0, 0, 64, 48, 0);
  ASSERT_NE(window, 0u);
  shell.windowDC = platform.getDC(window);

  std::atomic<bool> painting{false}, done{false};
  std::thread process([&] {
    // On a loaded machine the thread could otherwise end before the first paint.
    while (!painting.load()) std::this_thread::yield();
    for (int i = 0; i < 3000; ++i) {
      createBackBuffer();
      releaseBackBuffer();
    }
    done = true;
  });
  // A copy from freed memory shows up under AddressSanitizer, and as stray pixels
  // without it: the window may only ever show its first black or the clear colour.
  do {
    windowProc(window, WM_PAINT, 0, 0);
    painting = true;
  } while (!done.load());
  process.join();
  const headless::Canvas* canvas = headless::windowCanvas(window);
  ASSERT_NE(canvas, nullptr);
  for (std::uint32_t pixel : canvas->pixels) {
    ASSERT_TRUE(pixel == 0xFF000000u || pixel == 0xFF00FF00u) << std::hex << pixel;
  }
  EXPECT_EQ(backBuffer.surface, 0u);

  headless::configure(headless::Options{});
  platform = saved;
  resetShellState();
  backBuffer = BackBuffer{};
}
