// The open and save dialogs on Linux: the desktop's file chooser through zenity.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace emu {

// platform.fileDialog through zenity; -1 (no chooser) when zenity is not installed.
int zenityFileDialog(Handle owner, int save, const wchar_t* title, const wchar_t* filter,
                     wchar_t* path, std::size_t capacity);

// zenity's --file-filter arguments for a double-zero-terminated list of description
// and pattern pairs ("PNG\0*.png;*.bmp\0" gives "--file-filter=PNG | *.png *.bmp").
// At most `filterLimit` pairs and `filterTextLimit` characters are looked at, so a
// list without its final zero cannot run away.
constexpr int filterLimit = 64;
constexpr std::size_t filterTextLimit = 8192;
std::vector<std::string> zenityFilters(const wchar_t* filter);

}  // namespace emu
