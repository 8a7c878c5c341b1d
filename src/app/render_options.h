// The frame renderer's command line and key script, parsed apart from the program
// so tests and fuzzers can drive them without rendering.
//
//   brinemere-render [--frames N] [--size WxH] [--seed S] [--keys F:KEY,...]
//                    [--out DIR] [--gif FILE] [--y4m FILE|-] [--every K] [--quiet]
//
// A key script is FRAME:KEY pairs separated by commas ("10:Enter,20:CU"); KEY is a
// name of the key-name table (Enter, Space, CL, CU, CR, CD, F1, Esc, A ... Z) in
// any case; FRAME is 0 .. 100000000.
#pragma once

#include <string>
#include <vector>

struct KeyRelease {
  int frame;  // released after this frame
  int vk;     // virtual-key code, never 0
};

struct RenderOptions {
  int frames = 100;  // 1 .. 10000000
  int every = 1;     // 1 .. 10000000
  int width = 1920;  // 8 .. 16384
  int height = 1080;
  int seed = 347;  // 0 .. 32767
  bool quiet = false;
  std::string outDir;
  std::string gifPath;  // one looping GIF of every K-th frame; empty: none
  std::string y4mPath;  // a YUV4MPEG2 stream of every frame, "-" standard output
  std::vector<KeyRelease> keys;
};

// Appends the releases of `text` to `keys`; false (keys partly filled) when an item
// is malformed or names no key.
bool parseKeyScript(const std::string& text, std::vector<KeyRelease>& keys);

// Reads the arguments after the program name into `options`; false with `problem`
// set to a one-line reason when one is wrong or unknown.
bool parseRenderArguments(int argc, const char* const* argv, RenderOptions& options,
                          std::string& problem);

// The usage lines of the command line.
extern const char renderUsage[];
