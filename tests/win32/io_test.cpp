// The clipboard, special folders and the processor count on the real system (run
// under Wine): what we place is read back with the plain system calls another
// program would make, and the other way round.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "io/io.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"
#include "shell/shell.h"

#include <windows.h>

namespace {

class Win32Io : public ::testing::Test {
 protected:
  void SetUp() override { win32::install(); }
};

std::uint32_t get32(const std::uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

TEST_F(Win32Io, ClipboardBitmapIsReadAsADib) {
  const std::uint32_t pixels[2][2] = {{0xFF010203u, 0xFF040506u}, {0xFF070809u, 0xFF0A0B0Cu}};
  ASSERT_EQ(clipboard_put_image(pixels[1], 2, 2, -8), 1);
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE block = GetClipboardData(CF_DIB);
  ASSERT_NE(block, nullptr);
  ASSERT_GE(GlobalSize(block), 56u);
  const auto* dib = static_cast<const std::uint8_t*>(GlobalLock(block));
  ASSERT_NE(dib, nullptr);
  const std::uint32_t header[] = {40, 2, 2, 1 | 32 << 16, 0, 16, 3780, 3780};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(get32(dib + 4 * i), header[i]) << "field " << i;
  EXPECT_EQ(get32(dib + 40), 0xFF070809u) << "the bottom row first";
  EXPECT_EQ(get32(dib + 52), 0xFF040506u);
  GlobalUnlock(block);
  CloseClipboard();
  EXPECT_EQ(clipboard_get_text(), nullptr) << "only a bitmap on the clipboard";
  // The clipboard was closed again: another open succeeds.
  ASSERT_TRUE(OpenClipboard(nullptr));
  CloseClipboard();
}

// Text placed as wide text by another program comes to us as 8-bit text, and ours
// reaches it as wide text: the system converts between the formats.
TEST_F(Win32Io, ClipboardTextTravelsBothWays) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const wchar_t wide[] = L"tide 7";
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof wide);
  std::memcpy(GlobalLock(block), wide, sizeof wide);
  GlobalUnlock(block);
  ASSERT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);
  CloseClipboard();
  char* text = clipboard_get_text();
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "tide 7");
  clipboard_free_text(text);

  ASSERT_EQ(clipboard_put_text("sea 12"), 1);
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE got = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(got, nullptr);
  EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(got)), L"sea 12");
  GlobalUnlock(got);
  CloseClipboard();

  EXPECT_EQ(clipboard_put_text(""), 0);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(CountClipboardFormats(), 0) << "an empty text empties the clipboard";
  CloseClipboard();
}

TEST_F(Win32Io, SpecialFoldersAndProcessors) {
  wchar_t path[260];
  EXPECT_NE(special_folder_path(CSIDL_PERSONAL, path), 0);
  EXPECT_NE(path[0], 0);
  EXPECT_EQ(file_exists(path), 1);
  EXPECT_EQ(special_folder_path(0x7FFF, path), 0);
  detect_cpu();
  EXPECT_GE(cpuInfo.processors, 1);
  EXPECT_EQ(cpuInfo.sse2, 1);
}

// Settings lie beside the program where it may write; elsewhere (Program Files,
// System32) in %APPDATA%\\Brinemere\\. Wine's Z: is the Unix root, and no one, root
// included, can make a file in /proc. The settings are saved and read back through
// the default path, as the demo does.
TEST_F(Win32Io, SettingsFallBackToTheUserFolderWhereTheProgramsFolderIsNotWritable) {
  wchar_t appData[MAX_PATH], temp[MAX_PATH];
  ASSERT_NE(special_folder_path(CSIDL_APPDATA, appData), 0);
  ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);  // ends with a backslash
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  ASSERT_GT(n, 0u);
  std::wstring own(self, n);
  own.resize(own.find_last_of(L'\\') + 1);
  const std::wstring fallback = std::wstring(appData) + L"\\Brinemere\\";
  RemoveDirectoryW(fallback.c_str());  // made on demand
  static std::wstring program;
  platform.commandLineArguments = [] { return std::vector<std::wstring>{program}; };
  const struct {
    std::wstring program, folder;
  } cases[] = {
      {std::wstring(temp) + L"Tide.scr", temp},  // beside the program
      {L"Z:\\proc\\Tide.scr", fallback},
      {L"Z:/proc/Tide.scr", fallback},
      {L"Tide.exe", own},  // no folder named: the program's own
  };
  for (const auto& c : cases) {
    program = c.program;
    extractProgramName();
    const std::wstring ini = c.folder + L"Tide.ini";
    DeleteFileW(ini.c_str());
    SCOPED_TRACE(std::string(c.program.begin(), c.program.end()));
    EXPECT_EQ(std::wstring(settings_default_path()), ini);
    EXPECT_EQ(settings_load(nullptr), 0);  // as a program starts: none yet
    settings_clear();
    settings_append_int(42);
    EXPECT_EQ(settings_save(), 3);
    EXPECT_EQ(settings_load(nullptr), 3);
    EXPECT_EQ(settings_read_int(0), 42);
    EXPECT_TRUE(DeleteFileW(ini.c_str())) << "saved where it was said to be";
  }
}

}  // namespace
