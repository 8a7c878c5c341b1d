// The frame renderer's command line: every number is range-checked, every key and
// event name looked up, and a bad argument comes back as a reason rather than a guess.

#include "app/render_options.h"

#include <cctype>
#include <cstdlib>

#include "app/start_options.h"
#include "input/input_state.h"
#include "vector/band_threads.h"

const char renderUsage[] =
    "usage: brinemere-render [--demo] [--frames N] [--size WxH] [--seed S]\n"
    "                        [--keys F:EVENT,...] [--out DIR] [--gif FILE] [--y4m FILE|-]\n"
    "                        [--every K] [--quiet] [--splash] [--hashes]\n"
    "                        [--scheme dusk|teal|red|blue] [--force 1.0..3.0]\n"
    "                        [--foam|--no-foam] [--drift left|right] [--threads 1..16]\n"
    "  EVENT: a key name (Enter, Space, Esc, CU, A ... Z), Move(X,Y), LDown, LUp, LClick,\n"
    "         RDown, RUp or RClick\n";

namespace {

// strtol's reading (blanks and a sign allowed) of the whole text, within [low, high].
bool readInt(const std::string& text, long low, long high, int& value) {
  const char* start = text.c_str();
  char* end = nullptr;
  const long v = std::strtol(start, &end, 10);
  // The whole text: a zero byte inside it ends the reading early, not the text.
  if (end == start || end != start + text.size() || v < low || v > high) return false;
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

// The mouse events by name; Move takes its place in parentheses.
constexpr struct {
  const char* name;
  ScriptAction action;
} mouseEvents[] = {
    {"Move", ScriptAction::move},         {"LDown", ScriptAction::leftDown},
    {"LUp", ScriptAction::leftUp},        {"LClick", ScriptAction::leftClick},
    {"RDown", ScriptAction::rightDown},   {"RUp", ScriptAction::rightUp},
    {"RClick", ScriptAction::rightClick},
};

// One event after the colon: a key name, a button event, or Move(X,Y).
bool readEvent(const std::string& text, ScriptEvent& event) {
  event.vk = keyByName(text);
  if (event.vk) {
    event.action = ScriptAction::key;
    return true;
  }
  const std::size_t open = text.find('(');
  const std::string name = text.substr(0, open);
  for (const auto& m : mouseEvents) {
    if (!sameIgnoringCase(m.name, name)) continue;
    event.action = m.action;
    if (m.action != ScriptAction::move) return open == std::string::npos;
    const std::size_t comma = text.find(',', open);
    return open != std::string::npos && comma != std::string::npos && text.back() == ')' &&
           readInt(text.substr(open + 1, comma - open - 1), 0, scriptCoordinateLimit, event.x) &&
           readInt(text.substr(comma + 1, text.size() - comma - 2), 0, scriptCoordinateLimit,
                   event.y);
  }
  return false;
}

// "WxH", each side 8 .. 16384.
bool readSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  return x != std::string::npos && readInt(text.substr(0, x), 8, 16384, width) &&
         readInt(text.substr(x + 1), 8, 16384, height);
}

}  // namespace

bool parseEventScript(const std::string& text, std::vector<ScriptEvent>& script) {
  std::size_t at = 0;
  while (at < text.size()) {
    // Items end at a comma outside parentheses: Move(X,Y) holds one.
    std::size_t end = at;
    for (int depth = 0; end < text.size() && (depth > 0 || text[end] != ','); ++end) {
      if (text[end] == '(') ++depth;
      if (text[end] == ')') --depth;
    }
    const std::string item = text.substr(at, end - at);
    const std::size_t colon = item.find(':');
    if (colon == std::string::npos) return false;
    ScriptEvent event{0, ScriptAction::key, 0, 0, 0};
    if (!readInt(item.substr(0, colon), 0, scriptFrameLimit, event.frame) ||
        !readEvent(item.substr(colon + 1), event)) {
      return false;
    }
    script.push_back(event);
    at = end + 1;
  }
  return true;
}

std::string spellEvent(const ScriptEvent& event) {
  std::string text = std::to_string(event.frame);
  text.append(":");
  if (event.action == ScriptAction::key) return text.append(keyNamesUp[event.vk]);
  for (const auto& m : mouseEvents) {
    if (m.action == event.action) text += m.name;
  }
  if (event.action == ScriptAction::move) {
    text.append("(").append(std::to_string(event.x)).append(",");
    text.append(std::to_string(event.y)).append(")");
  }
  return text;
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
      if (!parseEventScript(argv[++i], options.script)) {
        problem =
            "--keys wants FRAME:EVENT items separated by commas, e.g. 10:Enter,20:Move(30,40)";
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
    } else if (arg == "--threads" && hasValue) {
      if (!readInt(argv[++i], 1, maxDrawingThreads, options.threads)) {
        problem = "--threads wants 1 .. 16";
        return false;
      }
    } else if (arg == "--demo") {
      options.demo = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--splash") {
      options.splash = true;
    } else if (arg == "--hashes") {
      options.hashes = true;
    } else if (const int used = readStartOption(argc, argv, i, "--", options.start, problem)) {
      if (used < 0) return false;
      i += used - 1;
    } else {
      problem = "unknown argument " + arg;
      return false;
    }
  }
  if (options.hashes && (options.y4mPath == "-" || options.gifPath == "-")) {
    problem = "--hashes and a film on standard output cannot share it";
    return false;
  }
  return true;
}
