// Resources, the command line, clocks, monitors and the XP import shim on the real
// system (run under Wine).

#include <gtest/gtest.h>

#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32.h"

// The import the posix-threads runtime needs; served by xp_support.cpp.
extern "C" __declspec(dllimport) unsigned long long __stdcall GetTickCount64();
extern "C" __declspec(dllimport) unsigned long __stdcall GetTickCount();

namespace {

const wchar_t* intType(std::uintptr_t id) { return reinterpret_cast<const wchar_t*>(id); }

class Win32System : public ::testing::Test {
 protected:
  void SetUp() override { win32::install(); }
};

TEST_F(Win32System, ResourcesAreFoundWithoutRegardToCase) {
  std::size_t size = 99;
  // ICON_MAIN is an icon group: a 6-byte header and one 14-byte entry per picture.
  const std::uint8_t* upper = platform.findResource(L"ICON_MAIN", intType(14), size);
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(size, 6u + 14u * 2);
  EXPECT_EQ(upper[2] | upper[3] << 8, 1) << "icon type";
  EXPECT_EQ(upper[4] | upper[5] << 8, 2) << "two pictures: 32x32 and 16x16";
  std::size_t lowerSize = 0;
  EXPECT_EQ(platform.findResource(L"icon_Main", intType(14), lowerSize), upper);
  EXPECT_EQ(lowerSize, size);

  EXPECT_EQ(platform.findResource(L"NoSuchPicture", L"BINARYDATA", size), nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(platform.findResource(L"ICON_MAIN", intType(2), size), nullptr) << "not a bitmap";
  EXPECT_EQ(platform.findResource(nullptr, L"BINARYDATA", size), nullptr);
  EXPECT_EQ(platform.findResource(L"ICON_MAIN", nullptr, size), nullptr);
}

// The splash and preview pictures as the resource compiler stores them: the bitmaps
// as bare 8-bit DIBs that the system's picture library reads by name, the PNG as
// plain bytes.
TEST_F(Win32System, PicturesDecodeFromTheModule) {
  ASSERT_EQ(platform.startPictures(), 1);
  struct Case {
    const wchar_t* name;
    int width, height;
  };
  for (const Case& c :
       {Case{L"InfoScr", 152, 13}, Case{L"UrlScr", 108, 13}, Case{L"PreviewScr", 152, 112}}) {
    std::size_t size = 0;
    const std::uint8_t* dib = platform.findResource(c.name, intType(2), size);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib[14] | dib[15] << 8, 8) << "bits per pixel";
    PictureData picture;
    ASSERT_EQ(platform.decodeBitmapResource(c.name, picture), 1);
    EXPECT_EQ(picture.width, c.width);
    EXPECT_EQ(picture.height, c.height);
  }
  std::size_t size = 0;
  const std::uint8_t* png = platform.findResource(L"loadscr", L"binarydata", size);
  ASSERT_NE(png, nullptr);
  PictureData picture;
  ASSERT_EQ(platform.decodePicture(png, size, picture), 1);
  EXPECT_EQ(picture.width, 655);
  EXPECT_EQ(picture.height, 214);
  platform.stopPictures();
}

TEST_F(Win32System, CommandLineStartsWithTheProgram) {
  const std::vector<std::wstring> args = platform.commandLineArguments();
  ASSERT_FALSE(args.empty());
  std::wstring name = args[0];
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
  const std::wstring tail = L"test_win32.exe";
  ASSERT_GE(name.size(), tail.size());
  EXPECT_EQ(name.substr(name.size() - tail.size()), tail);
}

TEST_F(Win32System, ClocksMoveForward) {
  std::int64_t frequency = 0, first = 0, second = 0;
  ASSERT_EQ(platform.queryPerformanceFrequency(frequency), 1);
  EXPECT_GT(frequency, 0);
  platform.timeBeginPeriod(1);
  ASSERT_EQ(platform.queryPerformanceCounter(first), 1);
  const std::uint32_t start = platform.timeGetTime();
  platform.sleep(30);
  ASSERT_EQ(platform.queryPerformanceCounter(second), 1);
  EXPECT_GE(platform.timeGetTime() - start, 20u);
  EXPECT_GE(second - first, frequency / 50);  // at least 20 ms of counts
  EXPECT_GE(platform.systemMajorVersion(), 5);
}

TEST_F(Win32System, MonitorsHaveRectanglesAndBoundedIndexes) {
  std::vector<Rect> monitors{Rect{1, 2, 3, 4}};
  ASSERT_EQ(platform.enumMonitors(monitors), 1);
  ASSERT_GE(monitors.size(), 1u);
  bool primary = false;
  for (const Rect& m : monitors) {
    EXPECT_GT(m.right, m.left);
    EXPECT_GT(m.bottom, m.top);
    primary |= m.left == 0 && m.top == 0 && m.right == platform.getSystemMetrics(SM_CXSCREEN) &&
               m.bottom == platform.getSystemMetrics(SM_CYSCREEN);
  }
  EXPECT_TRUE(primary) << "the primary monitor covers the screen metrics";
  EXPECT_GE(platform.monitorFrequency(0), 0);
  EXPECT_EQ(platform.monitorFrequency(-1), 0);
  EXPECT_EQ(platform.monitorFrequency(static_cast<int>(monitors.size())), 0);
}

TEST_F(Win32System, VerticalBlankWaitsOnlyWhileItExists) {
  EXPECT_EQ(platform.waitVerticalBlank(), 0) << "nothing created yet";
  if (platform.createVerticalBlank()) {
    EXPECT_EQ(platform.createVerticalBlank(), 1) << "a second create keeps the object";
    EXPECT_EQ(platform.waitVerticalBlank(), 1);
    platform.releaseVerticalBlank();
  }
  platform.releaseVerticalBlank();
  EXPECT_EQ(platform.waitVerticalBlank(), 0);
}

TEST_F(Win32System, TickCount64ShimFollowsTheTickCount) {
  const unsigned long before = GetTickCount();
  const unsigned long long wide = GetTickCount64();
  const unsigned long after = GetTickCount();
  const unsigned long low = static_cast<unsigned long>(wide);
  EXPECT_LE(low - before, after - before);
}

}  // namespace
