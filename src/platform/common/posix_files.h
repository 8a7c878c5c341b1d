// Files, folders and system information for the SDL and headless backends on Linux.
#pragma once

#include <string>

#include "platform/platform.h"

namespace emu {

// Fills the file, folder, global-block and processor-count entries.
void installFiles(Platform& p);

// The folder one line of user-dirs.dirs sets for `key` (XDG_PICTURES_DIR ...),
// "$HOME" replaced by `home`; empty when the line does not set it in a valid form.
std::string userDirFromLine(const std::string& line, const std::string& key,
                            const std::string& home);

}  // namespace emu
