// The event script of the frame renderer ("10:Enter,20:Move(30,40),21:LClick"). An
// accepted script holds one event per item, and every accepted item has exactly one
// colon; each event lies within the documented ranges and reads back the same from
// its canonical spelling.

#include <algorithm>

#include "app/render_options.h"
#include "fuzz_support.h"
#include "input/input_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<ScriptEvent> script;
  if (!parseEventScript(text, script)) return 0;

  const auto colons = static_cast<std::size_t>(std::count(text.begin(), text.end(), ':'));
  fuzz::check(script.size() == colons, "events differ from the items of the script");

  std::string spelled;
  for (const ScriptEvent& e : script) {
    fuzz::check(e.frame >= 0 && e.frame <= scriptFrameLimit, "frame out of range");
    if (e.action == ScriptAction::key) {
      fuzz::check(e.vk > 0 && e.vk < keyCount && keyNamesUp[e.vk], "key without a name");
    } else {
      fuzz::check(e.vk == 0, "a mouse event with a key");
    }
    fuzz::check(
        e.x >= 0 && e.x <= scriptCoordinateLimit && e.y >= 0 && e.y <= scriptCoordinateLimit,
        "position out of range");
    if (!spelled.empty()) spelled += ',';
    spelled += spellEvent(e);
  }
  std::vector<ScriptEvent> again;
  fuzz::check(parseEventScript(spelled, again), "canonical script refused");
  fuzz::check(again.size() == script.size(), "canonical script reads back differently");
  for (std::size_t i = 0; i < script.size(); ++i) {
    fuzz::check(again[i].frame == script[i].frame && again[i].action == script[i].action &&
                    again[i].vk == script[i].vk && again[i].x == script[i].x &&
                    again[i].y == script[i].y,
                "canonical event reads back differently");
  }
  return 0;
}
