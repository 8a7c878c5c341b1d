// The frame renderer's command line: every number is range-checked, every key name
// looked up, and a bad argument comes back as a reason rather than a guess.

#include "app/render_options.h"

#include <cctype>
#include <cstdlib>

#include "input/input_state.h"

const char renderUsage[] =
    "usage: brinemere-render [--frames N] [--size WxH] [--seed S] [--keys F:KEY,...]\n"
    "                        [--out DIR] [--gif FILE] [--y4m FILE|-] [--every K] [--quiet]\n";

namespace {

// strtol's reading (blanks and a sign allowed) of the whole text, within [low, high].
bool readInt(const std::string& text, long low, long high, int& value) {
  const char* start = text.c_str();
  char* end = nullptr;
  const long v = std::strtol(start, &end, 10);
  if (end == start || *end != 0 || v < low || v > high) return false;
  value = static_cast<int>(v);
  return true;
}

bool sameIgnoringCase(const char* a, const std::string& b) {
  std::size_t i = 0;
  for (; a[i] && i < b.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return a[i] == 0 && i == b.size();
}

// A key by its name in the framework's key-name table, without regard to case.
int keyByName(const std::string& name) {
  for (int vk = 0; vk < keyCount; ++vk) {
    if (keyNamesUp[vk] && sameIgnoringCase(keyNamesUp[vk], name)) return vk;
  }
  return 0;
}

// "WxH", each side 8 .. 16384.
bool readSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  return x != std::string::npos && readInt(text.substr(0, x), 8, 16384, width) &&
         readInt(text.substr(x + 1), 8, 16384, height);
}

}  // namespace

bool parseKeyScript(const std::string& text, std::vector<KeyRelease>& keys) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    const std::string item = text.substr(at, comma - at);
    const std::size_t colon = item.find(':');
    if (colon == std::string::npos) return false;
    int frame = 0;
    if (!readInt(item.substr(0, colon), 0, 100000000, frame)) return false;
    const int vk = keyByName(item.substr(colon + 1));
    if (!vk) return false;
    keys.push_back({frame, vk});
    at = comma + 1;
  }
  return true;
}

bool parseRenderArguments(int argc, const char* const* argv, RenderOptions& options,
                          std::string& problem) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--frames" && hasValue) {
      if (!readInt(argv[++i], 1, 10000000, options.frames)) {
        problem = "--frames wants 1 .. 10000000";
        return false;
      }
    } else if (arg == "--size" && hasValue) {
      if (!readSize(argv[++i], options.width, options.height)) {
        problem = "--size wants WxH, each 8 .. 16384";
        return false;
      }
    } else if (arg == "--seed" && hasValue) {
      if (!readInt(argv[++i], 0, 0x7FFF, options.seed)) {
        problem = "--seed wants 0 .. 32767";
        return false;
      }
    } else if (arg == "--keys" && hasValue) {
      if (!parseKeyScript(argv[++i], options.keys)) {
        problem = "--keys wants FRAME:KEY pairs separated by commas, e.g. 10:Enter,20:CU";
        return false;
      }
    } else if (arg == "--out" && hasValue) {
      options.outDir = argv[++i];
    } else if (arg == "--gif" && hasValue) {
      options.gifPath = argv[++i];
    } else if (arg == "--y4m" && hasValue) {
      options.y4mPath = argv[++i];
    } else if (arg == "--every" && hasValue) {
      if (!readInt(argv[++i], 1, 10000000, options.every)) {
        problem = "--every wants 1 or more";
        return false;
      }
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else {
      problem = "unknown argument " + arg;
      return false;
    }
  }
  return true;
}
