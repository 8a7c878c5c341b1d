// Start options: names looked up in small tables, the force read as a finite
// number in range and rounded to the key's quarter steps, so that an option gives
// exactly the state the keys reach.

#include "app/start_options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct Named {
  const char* name;
  int value;
};

// Enter steps through them in this order from dusk.
constexpr Named schemes[] = {{"dusk", 2}, {"teal", 3}, {"red", 0}, {"blue", 1}};
constexpr Named drifts[] = {{"left", -1}, {"right", 1}};

template <std::size_t N>
bool lookUp(const Named (&table)[N], const char* text, int& value) {
  for (const Named& n : table) {
    if (std::strcmp(n.name, text) == 0) {
      value = n.value;
      return true;
    }
  }
  return false;
}

// strtod's reading of the whole text; NaN and the infinities fail the range test.
bool readForce(const char* text, float& force) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != 0 || !(v >= 1.0 && v <= 3.0)) return false;
  force = static_cast<float>(std::round(v * 4.0) / 4.0);
  return true;
}

}  // namespace

int readStartOption(int argc, const char* const* argv, int i, const char* dash, SceneStart& start,
                    std::string& problem) {
  const std::size_t dashes = std::strlen(dash);
  const char* arg = argv[i];
  if (std::strncmp(arg, dash, dashes) != 0) return 0;
  const std::string name = arg + dashes;
  if (name == "foam" || name == "no-foam") {
    start.foam = name == "foam";
    return 1;
  }
  if (name != "scheme" && name != "force" && name != "drift") return 0;
  const char* value = i + 1 < argc ? argv[i + 1] : "";
  int number = 0;
  if (name == "scheme" && lookUp(schemes, value, number)) {
    start.scheme = number;
  } else if (name == "drift" && lookUp(drifts, value, number)) {
    start.direction = static_cast<float>(number);
  } else if (name != "force" || !readForce(value, start.force)) {
    const char* wanted = name == "scheme"  ? "dusk, teal, red or blue"
                         : name == "drift" ? "left or right"
                                           : "a number from 1.0 to 3.0";
    problem = dash + name + " wants " + wanted + ", not '" + value + "'";
    return -1;
  }
  return 2;
}

bool takeStartOptions(int argc, char** argv, SceneStart& start, std::vector<char*>& rest,
                      std::string& problem) {
  rest.assign(argv, argv + (argc > 0 ? 1 : 0));
  for (int i = 1; i < argc; ++i) {
    // One dash or two, as the hack options.
    const char* dash = argv[i][0] == '-' && argv[i][1] == '-' ? "--" : "-";
    const int used = readStartOption(argc, argv, i, dash, start, problem);
    if (used < 0) return false;
    if (used == 0) rest.push_back(argv[i]);
    i += used > 0 ? used - 1 : 0;
  }
  return true;
}

std::string startUsage(const char* dash) {
  const std::string d = dash;
  return "[" + d + "scheme dusk|teal|red|blue] [" + d + "force 1.0..3.0] [" + d + "foam|" + d +
         "no-foam] [" + d + "drift left|right]";
}
