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
  if (o.demo) args.push_back("--demo");
  for (const ScriptEvent& e : o.script) {
    args.push_back("--keys");
    args.push_back(spellEvent(e));
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
  for (const ScriptEvent& e : options.script) {
    fuzz::check(e.frame >= 0 && e.frame <= scriptFrameLimit, "event frame out of range");
    fuzz::check(e.action != ScriptAction::key || (e.vk > 0 && e.vk < keyCount && keyNamesUp[e.vk]),
                "key without a name");
    fuzz::check(
        e.x >= 0 && e.x <= scriptCoordinateLimit && e.y >= 0 && e.y <= scriptCoordinateLimit,
        "position out of range");
  }
  // Options with a directory name that holds an '\0' cannot be spelled back.
  RenderOptions again;
  fuzz::check(parse(canonical(options), again, problem), "canonical spelling refused");
  fuzz::check(again.frames == options.frames && again.every == options.every &&
                  again.width == options.width && again.height == options.height &&
                  again.seed == options.seed && again.quiet == options.quiet &&
                  again.demo == options.demo && again.outDir == options.outDir &&
                  again.script.size() == options.script.size(),
              "canonical spelling reads back differently");
  for (std::size_t i = 0; i < options.script.size(); ++i) {
    fuzz::check(spellEvent(again.script[i]) == spellEvent(options.script[i]),
                "canonical event reads back differently");
  }
  return 0;
}
