// The framework's code page (1251) against UTF-8, both ways. Expected values are
// read off the code page's published table by hand.

#include <gtest/gtest.h>

#include <string>

#include "platform/common/utf8.h"
#include "platform/platform.h"

namespace {

// Bytes and their characters, both ways: ASCII, every row of the upper half that
// is not a Cyrillic capital or small letter in order, and both ends of those runs.
TEST(CodePage1251, BytesAndCharactersMapBothWays) {
  const struct {
    unsigned char byte;
    char32_t codePoint;
  } table[] = {
      {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F}, {0x80, 0x0402}, {0x81, 0x0403},
      {0x82, 0x201A}, {0x85, 0x2026}, {0x88, 0x20AC}, {0x89, 0x2030}, {0x8A, 0x0409},
      {0x8F, 0x040F}, {0x90, 0x0452}, {0x96, 0x2013}, {0x97, 0x2014}, {0x98, 0x0098},
      {0x99, 0x2122}, {0x9F, 0x045F}, {0xA0, 0x00A0}, {0xA1, 0x040E}, {0xA5, 0x0490},
      {0xA8, 0x0401}, {0xA9, 0x00A9}, {0xAA, 0x0404}, {0xAD, 0x00AD}, {0xAF, 0x0407},
      {0xB2, 0x0406}, {0xB3, 0x0456}, {0xB4, 0x0491}, {0xB8, 0x0451}, {0xB9, 0x2116},
      {0xBA, 0x0454}, {0xBC, 0x0458}, {0xBD, 0x0405}, {0xBF, 0x0457}, {0xC0, 0x0410},
      {0xDF, 0x042F}, {0xE0, 0x0430}, {0xFF, 0x044F},
  };
  for (const auto& row : table) {
    EXPECT_EQ(codePointOf1251(row.byte), row.codePoint) << std::hex << int{row.byte};
    EXPECT_EQ(cp1251Of(row.codePoint), row.byte) << std::hex << int{row.byte};
  }
  // No two bytes share a character: every byte comes back from its own.
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(cp1251Of(codePointOf1251(static_cast<unsigned char>(c))), c) << c;
  }
}

// Text both ways; what the code page cannot hold, and each malformed sequence,
// becomes '?'.
TEST(CodePage1251, TextConvertsToAndFromUtf8) {
  const struct {
    std::string cp1251, utf8;
  } pairs[] = {
      {"sea 7", "sea 7"},
      {"\xCC\xEE\xF0\xE5", "\xD0\x9C\xD0\xBE\xD1\x80\xD0\xB5"},  // Море
      {"\xA8\xB8\xB9", "\xD0\x81\xD1\x91\xE2\x84\x96"},          // Ё ё №
      {"\x88\x85", "\xE2\x82\xAC\xE2\x80\xA6"},                  // € …
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(emu::utf8From1251(p.cp1251), p.utf8) << p.cp1251;
    EXPECT_EQ(emu::cp1251FromUtf8(p.utf8), p.cp1251) << p.cp1251;
  }
  const struct {
    std::string utf8, cp1251;
  } lossy[] = {
      {"\xC3\xA9", "?"},                      // é: not in the code page
      {"\xF0\x9F\x8C\x8A!", "?!"},            // a four-byte character
      {"a\xC3", "a?"},                        // cut short
      {"\xC0\xAF", "??"},                     // overlong: two stray bytes
      {"\xED\xA0\x80", "?"},                  // a surrogate
      {"\xD0\x9C\xFF\xD0\xB5", "\xCC?\xE5"},  // a stray byte between letters
  };
  for (const auto& l : lossy) EXPECT_EQ(emu::cp1251FromUtf8(l.utf8), l.cp1251) << l.utf8;
  // Latin-1 keeps what the code page shares with it.
  EXPECT_EQ(emu::cp1251FromLatin1("a\xA9\xE9\xBB"), "a\xA9?\xBB");
}

}  // namespace
