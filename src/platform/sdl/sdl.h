// The SDL backend (Linux): SDL2 windows and events, Xlib for the preview child
// of a foreign window and for the foreign window of XScreenSaver's hack mode.
#pragma once

#include <cstdint>

namespace sdl {

// Starts SDL's video and installs the backend with the program's arguments.
// Returns 0 with a message on stderr when no display can be opened.
// Bad hack options or a window that cannot be drawn into end it the same way.
int start(int argc, char** argv);
void stop();  // closes what start opened; the program ends after it

// Hack mode: 1 when the run that just ended stopped because its window took a new
// size, and the next run (from a reset shell) should draw at that size.
int nextRun();

// Test hook, called on the process thread once each frame it presented is on the
// window: the frame's number from 0 (the splash's first) and emu::hashPixels of
// the whole window's pixels as shown. Null: none.
void setFrameHook(void (*hook)(int frame, std::uint64_t hash));

}  // namespace sdl
