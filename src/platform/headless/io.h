// Private to the headless backend: its dialogs and its clipboard.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace headless {

// Dialogs answer from `answers` in turn (an empty answer, or none left, cancels);
// the clipboard lives in this process and starts empty.
void installIo(Platform& p, const std::vector<std::wstring>& answers);

}  // namespace headless
