// Linux files and dialogs: where settings and special folders live by the XDG
// rules, and how a dialog filter reaches zenity.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "io/io.h"
#include "platform/common/posix_dialogs.h"
#include "platform/common/posix_files.h"
#include "platform/headless/headless.h"
#include "shell/shell.h"

namespace {

namespace fs = std::filesystem;

TEST(PosixFolders, UserDirLinesAreReadAsTheShellWould) {
  struct Case {
    const char* line;
    const char* folder;
  };
  const Case cases[] = {
      {"XDG_PICTURES_DIR=\"$HOME/Pics\"", "/home/u/Pics"},
      {"  XDG_PICTURES_DIR = \"/data/p\"", "/data/p"},
      {"XDG_PICTURES_DIR=\"$HOME\"", "/home/u"},
      {"XDG_PICTURES_DIR=\"$HOME/a\\\"b\"", "/home/u/a\"b"},
      {"# XDG_PICTURES_DIR=\"/x\"", ""},
      {"XDG_PICTURES_DIR=$HOME/x", ""},       // not quoted
      {"XDG_PICTURES_DIR=\"relative\"", ""},  // neither $HOME nor absolute
      {"XDG_PICTURES_DIR=\"$HOMEX/y\"", ""},
      {"XDG_PICTURES_DIRS=\"/x\"", ""},
      {"XDG_PICTURES_DIR=\"/open", ""},  // no closing quote
      {"XDG_MUSIC_DIR=\"/m\"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(emu::userDirFromLine(c.line, "XDG_PICTURES_DIR", "/home/u"), c.folder) << c.line;
  }
}

// Sets an environment variable for the length of a test.
struct ScopedEnv {
  std::string name;
  std::string old;
  bool had;
  ScopedEnv(const char* n, const std::string& value) : name(n) {
    const char* v = std::getenv(n);
    had = v != nullptr;
    if (had) old = v;
    ::setenv(n, value.c_str(), 1);
  }
  ~ScopedEnv() { had ? ::setenv(name.c_str(), old.c_str(), 1) : ::unsetenv(name.c_str()); }
};

class PosixFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("brine_posix_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root / "home");
    headless::configure({});
  }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
};

TEST_F(PosixFiles, SpecialFoldersComeFromTheUserDirsFile) {
  ScopedEnv home("HOME", (root / "home").string());
  ScopedEnv config("XDG_CONFIG_HOME", (root / "config").string());
  ScopedEnv data("XDG_DATA_HOME", "relative/is/ignored");
  fs::create_directories(root / "config");
  std::ofstream(root / "config" / "user-dirs.dirs")
      << "# written by a tool\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_MUSIC_DIR=\"/srv/music\"\n";
  const std::string h = (root / "home").string();
  struct Case {
    int id;
    std::string folder;  // empty: not resolved
  };
  const Case cases[] = {
      {CSIDL_MYPICTURES, h + "/Bilder"},
      {CSIDL_MYMUSIC, "/srv/music"},
      {CSIDL_DESKTOP, h + "/Desktop"},  // unset: the usual fallbacks
      {CSIDL_PERSONAL, h},
      {CSIDL_PROFILE, h},
      {CSIDL_APPDATA, (root / "config").string()},
      {CSIDL_LOCAL_APPDATA, h + "/.local/share"},
      {999, ""},
  };
  for (const Case& c : cases) {
    wchar_t path[260];
    const int found = special_folder_path(c.id, path);
    EXPECT_EQ(found, c.folder.empty() ? 0 : 1) << c.id;
    if (found) {
      EXPECT_EQ(fs::path(path).string(), c.folder) << c.id;
    }
  }
  // A folder whose path does not fit in 260 characters is not resolved.
  ScopedEnv longHome("HOME", "/" + std::string(300, 'h'));
  wchar_t path[260];
  EXPECT_EQ(special_folder_path(CSIDL_PROFILE, path), 0);
}

// Beside the program when its folder is writable, else in the XDG config folder. A
// program named without a folder lies in the folder of its file: this test's.
TEST_F(PosixFiles, SettingsLiveBesideTheProgramOrInTheConfigFolder) {
  ScopedEnv config("XDG_CONFIG_HOME", (root / "config").string());
  fs::create_directories(root / "bin");
  const fs::path own = fs::read_symlink("/proc/self/exe").parent_path();
  struct Case {
    std::string program, settings;
  };
  const Case cases[] = {
      {(root / "bin" / "tide.bin").string(), (root / "bin" / "tide.ini").string()},
      {"/no/such/folder/tide", (root / "config" / "brinemere" / "tide.ini").string()},
      {"tide", (own / "tide.ini").string()},
      {"bin\\tide", (own / "bin\\tide.ini").string()},  // one name: '\\' is no separator
  };
  for (const Case& c : cases) {
    headless::Options options;
    options.arguments = {fs::path(c.program).wstring()};
    headless::configure(options);
    extractProgramName();
    EXPECT_EQ(fs::path(settings_default_path()).string(), c.settings) << c.program;
  }
  EXPECT_TRUE(fs::is_directory(root / "config" / "brinemere")) << "made on demand";
  resetShellState();
}

TEST(PosixDialogs, FiltersBecomeZenityArguments) {
  const auto filters = emu::zenityFilters(L"Pictures\0*.png;*.bmp\0A|B\0*\0\0");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0], "--file-filter=Pictures | *.png *.bmp");
  EXPECT_EQ(filters[1], "--file-filter=A/B | *");
  EXPECT_TRUE(emu::zenityFilters(nullptr).empty());
  EXPECT_TRUE(emu::zenityFilters(L"\0\0").empty());
  EXPECT_TRUE(emu::zenityFilters(L"Lonely description\0\0").empty());
  // A list with no final zero: looked at only up to the limit.
  std::wstring endless(emu::filterTextLimit + 10, L'x');
  EXPECT_TRUE(emu::zenityFilters(endless.c_str()).empty());
}

}  // namespace

#endif
