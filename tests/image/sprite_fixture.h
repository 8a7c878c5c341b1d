// The sprite tests' fixture: the recording fake, a view of the test's own, and the
// picture module and pending load options fresh before and after each test.
#pragma once

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "image/base_spr.h"
#include "image/picture_io.h"
#include "test_view.h"

struct SpriteTest : ::testing::Test {
  ShellSandbox sandbox;
  TestView view;
  SpriteTest() { resetAll(); }
  ~SpriteTest() override { resetAll(); }
  static void resetAll() {
    resetPictureIo();
    resetPendingLoad();
  }
  const std::vector<std::wstring>& boxes() const { return sandbox.platformFake.boxTexts; }
};
