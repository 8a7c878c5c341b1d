// Wide strings (UTF-32 on Linux) to and from the UTF-8 that file names, the
// clipboard and other programs use.
#pragma once

#include <string>

namespace emu {

// UTF-8 of `text`; a code point UTF-8 cannot hold (a surrogate, or past U+10FFFF)
// becomes U+FFFD and makes the result false (no file name can hold it).
bool utf8FromWide(const std::wstring& text, std::string& out);
// Wide text of UTF-8 bytes; a malformed sequence becomes U+FFFD.
std::wstring wideFromUtf8(const std::string& text);

}  // namespace emu
