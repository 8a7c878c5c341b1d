// Private to the SDL backend: the clipboard, served to other X11 programs.
#pragma once

#include "platform/platform.h"

namespace sdl {

// Fills the clipboard entries; the serving thread starts at the first use.
void installClipboard(Platform& p);
// Ends the serving thread (what we placed leaves the clipboard with it).
void stopClipboard();

}  // namespace sdl
