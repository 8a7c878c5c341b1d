// The SDL backend (Linux): SDL2 windows and events, Xlib for the preview child
// of a foreign window.
#pragma once

namespace sdl {

// Starts SDL's video and installs the backend with the program's arguments.
// Returns 0 with a message on stderr when no display can be opened.
int start(int argc, char** argv);
void stop();

}  // namespace sdl
