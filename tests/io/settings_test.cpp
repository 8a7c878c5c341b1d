// The settings file: the saved bytes, reading back in order, defaults, and files
// that were never written by us.

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "io/io.h"
#include "io_test_support.h"
#include "shell/shell.h"

namespace {

using io_test::IoTest;
using namespace std::string_literals;

TEST_F(IoTest, SettingsRoundTripFiveMinusThreeAndHundredTwenty) {
  settings_load(path("sea.ini").c_str());
  settings_clear();
  EXPECT_EQ(settings_append_int(5), 2);  // "5": 1 character + 1
  EXPECT_EQ(settings_append_int(-3), 3);
  EXPECT_EQ(settings_append_int(120), 4);
  EXPECT_EQ(settings_save(), 9);
  EXPECT_EQ(readBytes("sea.ini"), "5 -3 120\0"s);
  EXPECT_FALSE(io_test::fs::exists(folder / "sea.ini.new")) << "the temporary is renamed";

  EXPECT_EQ(settings_load(path("sea.ini").c_str()), 9);
  const int expected[] = {5, -3, 120, -1, -1};
  for (int value : expected) EXPECT_EQ(settings_read_int(77), value);
}

TEST_F(IoTest, SettingsWithoutAFileGiveTheDefaults) {
  EXPECT_EQ(settings_load(path("missing.ini").c_str()), 0);
  EXPECT_EQ(settings_read_int(7), 7);
  EXPECT_EQ(settings_read_int(-123456789), -1);
  EXPECT_EQ(settings_read_int(0), 0);
  writeBytes("empty.ini", "");
  EXPECT_EQ(settings_load(path("empty.ini").c_str()), 0);
  EXPECT_EQ(settings_read_int(7), 7);
}

// Files we never wrote: each gives these reads (default 77 each time).
TEST_F(IoTest, SettingsReadHostileFilesWithinTheirLimits) {
  struct Case {
    std::string bytes;
    std::vector<int> reads;
  };
  const std::string ones(2000, '1');
  const Case cases[] = {
      {"5  7\0"s, {5, -1, -1}},                         // two spaces stop every read
      {" 5"s, {-1, -1}},                                // a leading space too
      {"1234567890123456 8"s, {-1, 8, -1}},             // 16 characters: skipped
      {"123456789012345 8"s, {INT_MAX, 8}},             // 15 digits: clamped
      {"-99999999999999 1"s, {INT_MIN, 1}},             // 15 characters
      {"2147483647 -2147483648"s, {INT_MAX, INT_MIN}},  // the ends of the range
      {"abc 12x - +5"s, {0, 12, 0, 5, -1}},             // conversion stops at a non-digit
      {"\t42\n 3"s, {42, 3, -1}},                       // blanks before and after a number
      {"7\0 8"s, {7, -1}},                              // nothing after the zero counts
      {ones, {-1, -1}},                                 // 1023 bytes read, one long token
      {"9 "s, {9, -1, -1}},                             // a trailing space
  };
  for (const Case& c : cases) {
    writeBytes("hostile.ini", c.bytes);
    const int loaded = settings_load(path("hostile.ini").c_str());
    EXPECT_EQ(loaded, static_cast<int>(std::min<std::size_t>(c.bytes.size(), 1023)));
    for (std::size_t i = 0; i < c.reads.size(); ++i) {
      EXPECT_EQ(settings_read_int(77), c.reads[i])
          << "file '" << c.bytes.substr(0, 30) << "' read " << i;
    }
  }
}

TEST_F(IoTest, SettingsTextStopsAt1023Characters) {
  settings_load(path("full.ini").c_str());
  settings_clear();
  // "0", then " 0" each: 512 values take 1023 characters.
  for (int i = 0; i < 512; ++i) ASSERT_EQ(settings_append_int(0), 2) << i;
  EXPECT_EQ(settings_append_int(0), 0);
  EXPECT_EQ(settings_save(), 1024);
  EXPECT_EQ(readBytes("full.ini").size(), 1024u);
  settings_clear();
  EXPECT_EQ(settings_append_int(INT_MIN), 12);
  EXPECT_EQ(settings_save(), 12);
  EXPECT_EQ(readBytes("full.ini"), "-2147483648\0"s);
}

TEST_F(IoTest, SettingsPathOver1023CharactersIsRefused) {
  const std::wstring tooLong = path(std::string(1100, 'a'));
  EXPECT_EQ(settings_load(tooLong.c_str()), 0);
  settings_clear();
  settings_append_int(1);
  EXPECT_EQ(settings_save(), 0);
}

TEST_F(IoTest, SettingsSaveLeavesTheOldFileWhenItCannotWrite) {
  writeBytes("keep.ini", "4 4\0"s);
  io_test::fs::create_directory(folder / "keep.ini.new");  // the temporary cannot be made
  settings_load(path("keep.ini").c_str());
  settings_clear();
  settings_append_int(5);
  EXPECT_EQ(settings_save(), 0);
  EXPECT_EQ(readBytes("keep.ini"), "4 4\0"s);
}

// The folder as the command line names it, up to its last separator ('\\' or '/'
// as on Windows), the base name, ".ini". A program named without a folder leaves the
// folder to the platform (the program's own; here "<own>\\").
TEST_F(IoTest, SettingsDefaultPathFollowsTheProgramPath) {
  struct Case {
    std::wstring program, expected;
  };
  const Case cases[] = {
      {L"C:\\Apps\\Sea.scr", L"C:\\Apps\\Sea.ini"},
      {L"C:\\Apps\\my.sea.scr", L"C:\\Apps\\my.ini"},
      {L"Sea.scr", L"<own>\\Sea.ini"},
      {L"BrinemereDemo", L"<own>\\BrinemereDemo.ini"},
      {L"\\Sea.scr", L"\\Sea.ini"},
      {L"C:/Apps/Sea.scr", L"C:/Apps/Sea.ini"},
      {L"C:\\Apps/tools\\Sea.scr", L"C:\\Apps/tools\\Sea.ini"},
      {L"..\\Sea", L"..\\Sea.ini"},
  };
  ShellSandbox sandbox;  // separators as on Windows
  platform.settingsFolder = [](const std::wstring& folder) {
    return folder.empty() ? std::wstring(L"<own>\\") : folder;
  };
  platform.commandLineArguments = [] { return fake->arguments; };
  for (const Case& c : cases) {
    fake->arguments = {c.program};
    extractProgramName();
    EXPECT_EQ(std::wstring(settings_default_path()), c.expected);
  }
}

}  // namespace
