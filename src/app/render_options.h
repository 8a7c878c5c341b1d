// The frame renderer's command line and event script, parsed apart from the program
// so tests and fuzzers can drive them without rendering.
//
//   brinemere-render [--demo] [--frames N] [--size WxH] [--seed S] [--keys F:EVENT,...]
//                    [--out DIR] [--gif FILE] [--y4m FILE|-] [--every K] [--quiet]
//                    [--splash] [--hashes] [--scheme dusk|teal|red|blue]
//                    [--force 1.0..3.0] [--foam|--no-foam] [--drift left|right]
//                    [--threads 1..16]
//
// An event script is FRAME:EVENT items separated by commas ("10:Enter,20:CU"), each
// sent after frame FRAME (0 .. 100000000), in the order written. EVENT, in any case:
//   a key name of the key-name table (Enter, Space, CL, CU, CR, CD, F1, Esc, A ... Z):
//     the key is pressed and released;
//   Move(X,Y): the mouse moves to X, Y (0 .. 16383 each) in the window;
//   LDown, LUp, RDown, RUp: the left or right button goes down or up where the
//     mouse is; LClick and RClick: down, then up.
#pragma once

#include <string>
#include <vector>

#include "sea/scene_start.h"

enum class ScriptAction { key, move, leftDown, leftUp, leftClick, rightDown, rightUp, rightClick };

struct ScriptEvent {
  int frame;  // sent after this frame
  ScriptAction action;
  int vk;    // a key's virtual-key code, never 0; 0 for the mouse
  int x, y;  // where a move goes; 0 otherwise
};

constexpr int scriptFrameLimit = 100000000;
constexpr int scriptCoordinateLimit = 16383;

struct RenderOptions {
  bool demo = false;  // the widget demo instead of the scene
  int frames = 100;   // 1 .. 10000000
  int every = 1;      // 1 .. 10000000
  int width = 1920;   // 8 .. 16384
  int height = 1080;
  int seed = 347;  // 0 .. 32767
  bool quiet = false;
  bool splash = false;  // the scene's start-up screen first, as frame 0
  bool hashes = false;  // print each frame's hash (the golden frames' hash)
  int threads = 1;      // 1 .. 16: the threads that draw the scene's frames in bands
  std::string outDir;
  std::string gifPath;  // one looping GIF of every K-th frame; empty: none
  std::string y4mPath;  // a YUV4MPEG2 stream of every frame, "-" standard output
  std::vector<ScriptEvent> script;
  SceneStart start;  // --scheme, --force, --foam / --no-foam, --drift
};

// Appends the events of `text` to `script`; false (script partly filled) when an
// item is malformed, out of range or names no event.
bool parseEventScript(const std::string& text, std::vector<ScriptEvent>& script);

// The canonical spelling of one event, as parseEventScript reads it back.
std::string spellEvent(const ScriptEvent& event);

// Reads the arguments after the program name into `options`; false with `problem`
// set to a one-line reason when one is wrong or unknown.
bool parseRenderArguments(int argc, const char* const* argv, RenderOptions& options,
                          std::string& problem);

// The usage lines of the command line.
extern const char renderUsage[];
