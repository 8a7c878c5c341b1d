// SDL key codes to Win32 virtual-key codes.
#pragma once

#include <SDL.h>

namespace sdl {

// The virtual-key code of a key, 0 for keys the framework has no code for.
int virtualKeyOf(SDL_Keycode key);

}  // namespace sdl
