// XScreenSaver's hack options: -root, -window-id ID, -fps (also with two dashes),
// and the XSCREENSAVER_WINDOW variable the daemon sets. In this mode the animated
// scene is drawn into a window that is not ours; the run modes of the program's
// own command line are untouched, since none of them starts with a single-dash word.
#pragma once

#include <cstdint>
#include <string>

namespace sdl {

struct HackOptions {
  bool active = false;         // any hack option was given
  bool root = false;           // -root: the root window, or XSCREENSAVER_WINDOW's
  std::uint64_t windowId = 0;  // the window to draw into; 0 with -root: the root window
  bool showFps = false;        // -fps
};

// Reads the arguments after the program's name. 1: hack mode; 0: none of its
// options (the program's own command line); -1: bad input, `error` says why.
// `environmentWindow` is XSCREENSAVER_WINDOW's value or null; it is used with
// -root (or -fps alone), the way the daemon starts a hack, and -window-id wins.
int readHackOptions(int argc, char** argv, const char* environmentWindow, HackOptions& options,
                    std::string& error);

// Draws "FPS: 29.9" in white on a dark box at the bottom-left corner of a picture
// of 32-bit pixels, top row first, `pitch` pixels from one row to the next.
void drawFps(std::uint32_t* pixels, int width, int height, int pitch, double fps);

}  // namespace sdl
