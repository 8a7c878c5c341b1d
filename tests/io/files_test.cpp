// Whole files, the stream, TGA rows, dialogs, global blocks, the clipboard and the
// processor flags, on the headless backend.

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "io/io.h"
#include "io_test_support.h"
#include "platform/headless/io.h"
#include "surface/memory.h"

namespace {

using io_test::IoTest;
using namespace std::string_literals;

TEST_F(IoTest, WholeFileReadsAreBoundedByTheBuffer) {
  writeBytes("ten", "0123456789");
  writeBytes("empty", "");
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(read_whole_file(path("empty").c_str(), buffer, 0, sizeof buffer), 0u);
  EXPECT_EQ(read_whole_file(path("missing").c_str(), buffer, 0, sizeof buffer), 0u);
  EXPECT_EQ(read_whole_file(path("missing").c_str(), buffer, 4, sizeof buffer), 0u);
  EXPECT_EQ(read_whole_file(path("ten").c_str(), buffer, 4, sizeof buffer), 4u);
  EXPECT_STREQ(buffer, "0123");
  EXPECT_EQ(read_whole_file(path("ten").c_str(), buffer, 0, 5), 4u) << "capacity keeps the zero";
  EXPECT_STREQ(buffer, "0123");
  EXPECT_EQ(read_whole_file(path("ten").c_str(), buffer, 100, sizeof buffer), 7u);
  EXPECT_STREQ(buffer, "0123456");
  EXPECT_EQ(read_whole_file(folder.wstring().c_str(), buffer, 4, sizeof buffer), 0u) << "folder";
}

TEST_F(IoTest, LoadFileHoldsTheWholeFileAndAZero) {
  writeBytes("data", "ab\0c"s);
  for (int aligned = 0; aligned < 2; ++aligned) {
    std::size_t size = 0;
    auto* block = static_cast<char*>(load_file(path("data").c_str(), aligned, &size));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(block, 5), "ab\0c\0"s);
    if (aligned) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u);
      freeAligned(block);
    } else {
      std::free(block);
    }
  }
  writeBytes("empty", "");
  EXPECT_EQ(load_file(path("empty").c_str(), 0), nullptr);
  EXPECT_EQ(load_file(path("missing").c_str(), 1), nullptr);
}

TEST_F(IoTest, WriteWholeFileReplacesTheFileInOneStep) {
  writeBytes("out", "old contents");
  EXPECT_EQ(write_whole_file(path("out").c_str(), "new", 3), 3u);
  EXPECT_EQ(readBytes("out"), "new");
  EXPECT_FALSE(io_test::fs::exists(folder / "out.new"));
  EXPECT_EQ(write_whole_file(path("no/such/folder").c_str(), "x", 1), 0u);
  EXPECT_EQ(file_exists(path("out").c_str()), 1);
  EXPECT_EQ(file_exists(folder.wstring().c_str()), 1);
  EXPECT_EQ(file_exists(path("missing").c_str()), 0);
}

TEST_F(IoTest, StreamDoesNothingWithoutAFile) {
  char byte = 0;
  EXPECT_EQ(stream_open_read(path("missing").c_str()), 0);
  EXPECT_EQ(stream_read(&byte, 1), 0u);
  EXPECT_EQ(stream_write("x", 1), 0u);
  stream_close();
  ASSERT_EQ(stream_open_write(path("s").c_str()), 1);
  EXPECT_EQ(stream_write("abc", 3), 3u);
  ASSERT_EQ(stream_open_read(path("s").c_str()), 1) << "closes the file being written";
  char in[4] = {};
  EXPECT_EQ(stream_read(in, 4), 3u);
  EXPECT_STREQ(in, "abc");
  stream_close();
}

// Red with alpha 128 is stored as blue 0, green 0, red 255 and comes back opaque.
TEST_F(IoTest, TgaRowsStoreBlueGreenRedAndReadBackOpaque) {
  const std::uint32_t rows[2][2] = {{0x80FF0000u, 0x00123456u}, {0xFF00FF00u, 0x01ABCDEFu}};
  // Left open: the next begin closes it and frees its row (the leak checker watches).
  ASSERT_EQ(tga_begin_write(path("open.tga").c_str(), 3, 1), 1);
  ASSERT_EQ(tga_begin_write(path("a.tga").c_str(), 2, 2), 1);
  EXPECT_EQ(readBytes("open.tga").size(), 18u);
  EXPECT_EQ(tga_write_row(rows[0]), 6u);
  EXPECT_EQ(tga_write_row(rows[1]), 6u);
  tga_end_write();
  const std::string header = "\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x18\0"s;
  EXPECT_EQ(readBytes("a.tga"), header + "\0\0\xFF\x56\x34\x12"s + "\0\xFF\0\xEF\xCD\xAB"s);

  int width = 0, height = 0;
  ASSERT_EQ(tga_begin_read(path("a.tga").c_str(), &width, &height), 1);
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 2);
  for (const auto& row : rows) {
    const std::uint32_t* got = tga_read_row();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got[0], row[0] | 0xFF000000u);
    EXPECT_EQ(got[1], row[1] | 0xFF000000u);
  }
  EXPECT_EQ(tga_read_row(), nullptr) << "past the last row";
  tga_end_read();
  EXPECT_EQ(tga_read_row(), nullptr);
}

TEST_F(IoTest, TgaRefusesSizesItCannotStore) {
  const std::uint32_t pixel = 0;
  EXPECT_EQ(tga_begin_write(path("z.tga").c_str(), 0, 1), 0);
  EXPECT_EQ(tga_begin_write(path("z.tga").c_str(), 65536, 1), 0);
  EXPECT_EQ(tga_begin_write(path("z.tga").c_str(), 1, -1), 0);
  EXPECT_EQ(tga_begin_write(path("z.tga").c_str(), 1, 0), 0) << "a reader refuses no rows";
  EXPECT_FALSE(io_test::fs::exists(folder / "z.tga")) << "refused before the file is made";
  EXPECT_EQ(tga_write_row(&pixel), 0u);
  tga_end_write();
  EXPECT_EQ(tga_begin_write(path("no/folder.tga").c_str(), 1, 1), 0);
  EXPECT_EQ(tga_write_row(&pixel), 0u);
}

// Headers and files we never wrote: begin_read refuses them, keeping the outputs.
TEST_F(IoTest, TgaReaderRefusesHostileFiles) {
  const auto header = [](int w, int h) {
    std::string b(18, '\0');
    b[2] = 2;
    b[12] = static_cast<char>(w), b[13] = static_cast<char>(w >> 8);
    b[14] = static_cast<char>(h), b[15] = static_cast<char>(h >> 8);
    b[16] = 24;
    return b;
  };
  const std::string cases[] = {
      ""s,                                  // empty
      header(1, 1).substr(0, 17),           // short header
      header(0, 5) + std::string(30, 'x'),  // no width
      header(5, 0) + std::string(30, 'x'),  // no height
      header(65535, 65535),                 // rows the file does not hold
      header(2, 2) + std::string(11, 'x'),  // one byte short of two rows
  };
  for (const std::string& bytes : cases) {
    writeBytes("h.tga", bytes);
    int width = -7, height = -7;
    EXPECT_EQ(tga_begin_read(path("h.tga").c_str(), &width, &height), 0) << bytes.size();
    EXPECT_EQ(width, -7);
    EXPECT_EQ(height, -7);
    EXPECT_EQ(tga_read_row(), nullptr);
    tga_end_read();
  }
  // Other header fields are not looked at: a palette type with room for its rows.
  std::string other = header(1, 1) + "abc";
  other[1] = 1;
  other[16] = 8;
  writeBytes("h.tga", other);
  int width = 0, height = 0;
  ASSERT_EQ(tga_begin_read(path("h.tga").c_str(), &width, &height), 1);
  const std::uint32_t* row = tga_read_row();
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row[0], 0xFF636261u);
  tga_end_read();
}

// A name without a dot gets the extension, wherever else dots stand in the path.
TEST_F(IoTest, SaveDialogAddsTheExtensionOnlyToNamesWithoutADot) {
  const std::wstring longest(2043, L'a'), tooLong(2044, L'a');
  // Only the last component's dot counts. '/' separates folders everywhere, '\\' on
  // Windows only.
  const std::vector<std::wstring> answers = {L"/home/jane.doe/wave",
                                             L"/pics/wave.bmp",
                                             L"wave",
                                             L"C:\\My.Pics\\wave",
                                             L"",
                                             longest,
                                             tooLong};
  configure(answers);
  const wchar_t* expected[] = {L"/home/jane.doe/wave.png", L"/pics/wave.bmp", L"wave.png",
#ifdef _WIN32
                               L"C:\\My.Pics\\wave.png",
#else
                               L"C:\\My.Pics\\wave",  // one name, with a dot in it
#endif
                               nullptr};
  for (const wchar_t* want : expected) {
    const wchar_t* got = choose_save_file(L"Save", L".png", L"PNG\0*.png\0");
    if (!want) {
      EXPECT_EQ(got, nullptr);
    } else {
      ASSERT_NE(got, nullptr);
      EXPECT_EQ(std::wstring(got), want);
    }
  }
  const wchar_t* fits = choose_save_file(L"Save", L".png", L"PNG\0*.png\0");
  ASSERT_NE(fits, nullptr);
  EXPECT_EQ(std::wstring(fits), longest + L".png") << "2047 characters and the zero";
  EXPECT_EQ(choose_save_file(L"Save", L".png", L"PNG\0*.png\0"), nullptr) << "would not fit";
  EXPECT_EQ(choose_open_file(L"Open", L"All\0*.*\0"), nullptr) << "no answer left";
  configure({L"/tmp/sea.png"});
  const wchar_t* opened = choose_open_file(L"Open", L"All\0*.*\0");
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(std::wstring(opened), L"/tmp/sea.png");
}

TEST_F(IoTest, GlobalBlocksAreZeroed) {
  auto* block = static_cast<unsigned char*>(global_block_alloc(64, 1));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], 0) << i;
  global_block_free(block);
  global_block_free(nullptr);
}

std::uint32_t get32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A 2 x 2 block gives 40 + 16 bytes; the bottom row comes first when the caller
// walks a top-down block upwards with a negative step.
TEST_F(IoTest, ClipboardImageIsABottomUpDib) {
  const std::uint32_t pixels[2][3] = {{1, 2, 99}, {3, 4, 99}};  // rows 12 bytes apart
  ASSERT_EQ(clipboard_put_image(pixels[1], 2, 2, -15), 1) << "-15 rounds to -12";
  std::vector<std::uint8_t> dib;
  ASSERT_EQ(platform.clipboardGet(CF_DIB, dib), 1);
  ASSERT_EQ(dib.size(), 56u);
  const std::uint32_t header[] = {40, 2, 2, 1 | 32 << 16, 0, 16, 3780, 3780, 0, 0};
  for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(get32(dib, 4 * i), header[i]) << "field " << i;
  const std::uint32_t rows[] = {3, 4, 1, 2};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(get32(dib, 40 + 4 * i), rows[i]) << i;
  EXPECT_EQ(clipboard_get_text(), nullptr) << "only a bitmap on the clipboard";

  EXPECT_EQ(clipboard_put_image(pixels, 0, 2, 12), 0);
  EXPECT_EQ(clipboard_put_image(nullptr, 2, 2, 12), 0);
}

TEST_F(IoTest, ClipboardTextRoundTrip) {
  EXPECT_EQ(clipboard_put_text(nullptr), 0);
  ASSERT_EQ(clipboard_put_text("tide 7"), 1);
  char* text = clipboard_get_text();
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "tide 7");
  clipboard_free_text(text);
  EXPECT_EQ(clipboard_put_text(""), 0);
  EXPECT_EQ(clipboard_get_text(), nullptr) << "an empty text leaves the clipboard empty";
}

// Other programs see UTF-8; what they place comes back in the font's code page.
TEST_F(IoTest, ClipboardTextIsUtf8ForOtherPrograms) {
  ASSERT_EQ(clipboard_put_text("\xCC\xEE\xF0\xE5 \xB9"
                               "7"),
            1);  // Море №7
  EXPECT_EQ(headless::clipboardUtf8(),
            "\xD0\x9C\xD0\xBE\xD1\x80\xD0\xB5 \xE2\x84\x96"
            "7");
  headless::placeUtf8("\xD0\x81\xC3\xA9 \xE2\x82\xAC");  // Ё é €
  char* text = clipboard_get_text();
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "\xA8? \x88");
  clipboard_free_text(text);
}

// A new file's name: the folder, a separator, the stem, the local date and time as
// strftime writes it, the extension; a taken name gains "-2".
TEST_F(IoTest, DatedFilePathNamesAFreeFile) {
  const auto stamp = [](std::time_t t) {
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d-%H%M%S", std::localtime(&t));
    return std::wstring(text, text + std::strlen(text));
  };
  const std::wstring front = (folder / L"shot-").wstring();
  const std::time_t before = std::time(nullptr);
  const wchar_t* got = dated_file_path(folder.wstring().c_str(), L"shot", L".png");
  ASSERT_NE(got, nullptr);
  const std::wstring first = got;
  const std::time_t after = std::time(nullptr);
  EXPECT_TRUE(first == front + stamp(before) + L".png" || first == front + stamp(after) + L".png")
      << std::string(first.begin(), first.end());
  writeBytes(std::filesystem::path(first).filename().string(), "taken");
  got = dated_file_path(folder.wstring().c_str(), L"shot", L".png");
  ASSERT_NE(got, nullptr);
  const std::wstring second = got;
  if (std::time(nullptr) == after) {
    EXPECT_EQ(second, first.substr(0, first.size() - 4) + L"-2.png");
  }
  EXPECT_NE(second, first);
  EXPECT_EQ(dated_file_path(nullptr, L"shot", L".png"), nullptr);
  EXPECT_EQ(dated_file_path(std::wstring(2040, L'a').c_str(), L"shot", L".png"), nullptr);
}

TEST(Cpu, FeatureBitsAreReadAsTheProcessorStatesThem) {
  struct Case {
    std::uint32_t edx, maxExtended, extendedEdx;
    int mmx, sse, sse2, amd3dNow;
  };
  const std::uint32_t mmx = 1u << 23, fx = 1u << 24, sse = 1u << 25, sse2 = 1u << 26;
  const std::uint32_t now = 1u << 31;
  const Case cases[] = {
      {0, 0, 0, 0, 0, 0, 0},
      {mmx, 0, 0, 1, 0, 0, 0},
      {sse, 0, 0, 0, 0, 0, 0},  // SSE needs bit 24 as well
      {sse | fx, 0, 0, 0, 1, 0, 0},
      {sse2, 0, 0, 0, 0, 0, 0},  // SSE2 is looked at only with SSE
      {mmx | fx | sse | sse2, 0, 0, 1, 1, 1, 0},
      {mmx, 0x80000001u, now, 1, 0, 0, 1},
      {mmx, 0x80000000u, now, 1, 0, 0, 0},  // no extended feature leaf
      {0, 0x80000008u, now, 0, 0, 0, 0},    // 3DNow! only with MMX
  };
  for (const Case& c : cases) {
    const CpuInfo info = cpu_features(c.edx, c.maxExtended, c.extendedEdx);
    EXPECT_EQ(info.mmx, c.mmx) << std::hex << c.edx;
    EXPECT_EQ(info.sse, c.sse) << std::hex << c.edx;
    EXPECT_EQ(info.sse2, c.sse2) << std::hex << c.edx;
    EXPECT_EQ(info.amd3dNow, c.amd3dNow) << std::hex << c.edx << " " << c.maxExtended;
  }
  // Every build of ours needs SSE2, so the processor running this has it.
  headless::configure({});
  detect_cpu();
  EXPECT_EQ(cpuInfo.sse2, 1);
  EXPECT_GE(cpuInfo.processors, 1);
}

}  // namespace
