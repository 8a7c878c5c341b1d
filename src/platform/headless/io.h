// Private to the headless backend: its dialogs and its clipboard.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace headless {

// Dialogs answer from `answers` in turn (an empty answer, or none left, cancels);
// the clipboard lives in this process and starts empty.
void installIo(Platform& p, const std::vector<std::wstring>& answers);

// The clipboard's text as another program would read it (UTF-8; empty when none),
// and text placed as another program would place it.
std::string clipboardUtf8();
void placeUtf8(const std::string& text);

}  // namespace headless
