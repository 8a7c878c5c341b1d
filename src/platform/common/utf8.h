// Wide strings (UTF-32 on Linux) and the framework's 8-bit text to and from the
// UTF-8 that file names, the clipboard and other programs use.
#pragma once

#include <string>

namespace emu {

// UTF-8 of `text`; a code point UTF-8 cannot hold (a surrogate, or past U+10FFFF)
// becomes U+FFFD and makes the result false (no file name can hold it).
bool utf8FromWide(const std::wstring& text, std::string& out);
// Wide text of UTF-8 bytes; a malformed sequence becomes U+FFFD.
std::wstring wideFromUtf8(const std::string& text);

// The framework's 8-bit text (code page 1251) as UTF-8, and back: a character the
// code page cannot hold, and each malformed sequence, becomes cp1251Replacement.
std::string utf8From1251(const std::string& text);
std::string cp1251FromUtf8(const std::string& text);
// Latin-1 (X11's STRING) in the code page, with the same replacement.
std::string cp1251FromLatin1(const std::string& text);

}  // namespace emu
