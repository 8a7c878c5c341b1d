// UTF-8 conversions of the non-Windows backends.

#include "platform/common/utf8.h"

#include <cstdint>

namespace emu {

bool utf8FromWide(const std::wstring& text, std::string& out) {
  out.clear();
  bool valid = true;
  for (const wchar_t wc : text) {
    auto c = static_cast<std::uint32_t>(wc);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      valid = false;
      c = 0xFFFD;
    }
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
  return valid;
}

std::wstring wideFromUtf8(const std::string& text) {
  std::wstring out;
  std::size_t i = 0;
  while (i < text.size()) {
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
    // Overlong forms, surrogates and stray bytes are not text.
    const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    const bool valid = extra >= 0 && taken == extra && c >= least[extra] && c <= 0x10FFFF &&
                       (c < 0xD800 || c > 0xDFFF);
    out += static_cast<wchar_t>(valid ? c : 0xFFFD);
  }
  return out;
}

}  // namespace emu
