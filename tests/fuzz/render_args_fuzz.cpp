// The frame renderer's command line: arguments cut at zero bytes. What it accepts
// lies within the documented ranges and reads back the same from its own canonical
// spelling; what it refuses comes with a reason.

#include "app/render_options.h"
#include "fuzz_support.h"
#include "input/input_state.h"

namespace {

std::vector<std::string> canonical(const RenderOptions& o) {
  std::vector<std::string> args = {"brinemere-render",
                                   "--frames",
                                   std::to_string(o.frames),
                                   "--every",
                                   std::to_string(o.every),
                                   "--size",
                                   std::to_string(o.width) + "x" + std::to_string(o.height),
                                   "--seed",
                                   std::to_string(o.seed),
                                   "--out",
                                   o.outDir};
  if (o.quiet) args.push_back("--quiet");
  for (const KeyRelease& k : o.keys) {
    args.push_back("--keys");
    args.push_back(std::to_string(k.frame) + ":" + keyNamesUp[k.vk]);
  }
  return args;
}

bool parse(const std::vector<std::string>& args, RenderOptions& options, std::string& problem) {
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  return parseRenderArguments(static_cast<int>(argv.size()), argv.data(), options, problem);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = fuzz::splitAtZeros(data, size);
  args.insert(args.begin(), "brinemere-render");
  RenderOptions options;
  std::string problem;
  if (!parse(args, options, problem)) {
    fuzz::check(!problem.empty(), "refused without a reason");
    return 0;
  }
  fuzz::check(options.frames >= 1 && options.frames <= 10000000, "frames out of range");
  fuzz::check(options.every >= 1 && options.every <= 10000000, "every out of range");
  fuzz::check(options.width >= 8 && options.width <= 16384 && options.height >= 8 &&
                  options.height <= 16384,
              "size out of range");
  fuzz::check(options.seed >= 0 && options.seed <= 0x7FFF, "seed out of range");
  for (const KeyRelease& k : options.keys) {
    fuzz::check(k.frame >= 0 && k.frame <= 100000000, "key frame out of range");
    fuzz::check(k.vk > 0 && k.vk < keyCount && keyNamesUp[k.vk], "key without a name");
  }
  // Options with a directory name that holds an '\0' cannot be spelled back.
  RenderOptions again;
  fuzz::check(parse(canonical(options), again, problem), "canonical spelling refused");
  fuzz::check(again.frames == options.frames && again.every == options.every &&
                  again.width == options.width && again.height == options.height &&
                  again.seed == options.seed && again.quiet == options.quiet &&
                  again.outDir == options.outDir && again.keys.size() == options.keys.size(),
              "canonical spelling reads back differently");
  for (std::size_t i = 0; i < options.keys.size(); ++i) {
    fuzz::check(
        again.keys[i].frame == options.keys[i].frame && again.keys[i].vk == options.keys[i].vk,
        "canonical key reads back differently");
  }
  return 0;
}
