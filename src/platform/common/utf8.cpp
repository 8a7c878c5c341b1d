// UTF-8 conversions of the non-Windows backends.

#include "platform/common/utf8.h"

#include <cstdint>

#include "platform/platform.h"

namespace emu {
namespace {

void appendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point that starts at `i`, which moves past it; U+FFFD for a malformed
// sequence (overlong forms, surrogates and stray bytes are not text).
char32_t nextCodePoint(const std::string& text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  const int extra = lead >= 0xF0 && lead < 0xF5   ? 3
                    : lead >= 0xE0 && lead < 0xF0 ? 2
                    : lead >= 0xC2 && lead < 0xE0 ? 1
                    : lead < 0x80                 ? 0
                                                  : -1;
  std::uint32_t c = extra > 0 ? lead & (0x3Fu >> extra) : lead;
  int taken = 0;
  for (; taken < extra && i < text.size(); ++taken, ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) break;
    c = c << 6 | (next & 0x3F);
  }
  const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
  const bool valid = extra >= 0 && taken == extra && c >= least[extra] && c <= 0x10FFFF &&
                     (c < 0xD800 || c > 0xDFFF);
  return valid ? c : 0xFFFD;
}

}  // namespace

bool utf8FromWide(const std::wstring& text, std::string& out) {
  out.clear();
  bool valid = true;
  for (const wchar_t wc : text) {
    auto c = static_cast<std::uint32_t>(wc);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      valid = false;
      c = 0xFFFD;
    }
    appendUtf8(out, c);
  }
  return valid;
}

std::wstring wideFromUtf8(const std::string& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) out += static_cast<wchar_t>(nextCodePoint(text, i));
  return out;
}

std::string utf8From1251(const std::string& text) {
  std::string out;
  for (const char c : text) appendUtf8(out, codePointOf1251(static_cast<unsigned char>(c)));
  return out;
}

std::string cp1251FromUtf8(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    out += static_cast<char>(cp1251Of(nextCodePoint(text, i)));
  }
  return out;
}

std::string cp1251FromLatin1(const std::string& text) {
  std::string out;
  for (const char c : text) out += static_cast<char>(cp1251Of(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace emu
