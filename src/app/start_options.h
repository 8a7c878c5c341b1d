// The options for the scene's starting state, one spelling on every target:
//
//   scheme dusk|teal|red|blue    force 1.0 .. 3.0 (to the nearest 0.25)
//   foam, no-foam                drift left|right
//
// The Linux program writes them with one dash (-scheme teal), the renderer with
// two (--scheme teal); the web page takes them as URL parameters.
#pragma once

#include <string>
#include <vector>

#include "sea/scene_start.h"

// Reads the option at argv[i] written after `dash`: returns how many arguments it
// took (1 or 2), 0 when argv[i] is none of them, -1 with `problem` set when its
// value is missing or bad. `start` changes only on success.
int readStartOption(int argc, const char* const* argv, int i, const char* dash, SceneStart& start,
                    std::string& problem);

// The Linux program's command line: the start options, with one dash or two, into
// `start`; every other argument, argv[0] first, into `rest`. False with `problem`
// set at the first bad one.
bool takeStartOptions(int argc, char** argv, SceneStart& start, std::vector<char*>& rest,
                      std::string& problem);

// The usage line of the options, with `dash` before each name.
std::string startUsage(const char* dash);
