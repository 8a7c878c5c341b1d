// The key script of the frame renderer ("10:Enter,20:CU"). An accepted script holds
// one release per comma-separated item (a final comma ends the list) and reads
// back the same from its canonical spelling.

#include <algorithm>

#include "app/render_options.h"
#include "fuzz_support.h"
#include "input/input_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<KeyRelease> keys;
  if (!parseKeyScript(text, keys)) return 0;

  std::size_t items = 0;
  if (!text.empty()) {
    items = static_cast<std::size_t>(std::count(text.begin(), text.end(), ',')) + 1;
    if (text.back() == ',') --items;
  }
  fuzz::check(keys.size() == items, "releases differ from the items of the script");

  std::string spelled;
  for (const KeyRelease& k : keys) {
    fuzz::check(k.frame >= 0 && k.frame <= 100000000, "frame out of range");
    fuzz::check(k.vk > 0 && k.vk < keyCount && keyNamesUp[k.vk], "key without a name");
    if (!spelled.empty()) spelled += ',';
    spelled += std::to_string(k.frame) + ":" + keyNamesUp[k.vk];
  }
  std::vector<KeyRelease> again;
  fuzz::check(parseKeyScript(spelled, again), "canonical script refused");
  fuzz::check(again.size() == keys.size(), "canonical script reads back differently");
  for (std::size_t i = 0; i < keys.size(); ++i) {
    fuzz::check(again[i].frame == keys[i].frame && again[i].vk == keys[i].vk,
                "canonical key reads back differently");
  }
  return 0;
}
