// The frame renderer's command line and key script: what each argument sets, and the
// reason given for each refusal.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/render_options.h"
#include "platform/platform.h"

namespace {

struct Outcome {
  bool ok;
  std::string problem;
  RenderOptions options;
};

Outcome parse(std::vector<const char*> args) {
  args.insert(args.begin(), "brinemere-render");
  Outcome out;
  out.ok =
      parseRenderArguments(static_cast<int>(args.size()), args.data(), out.options, out.problem);
  return out;
}

}  // namespace

TEST(RenderOptions, EachArgumentSetsItsField) {
  const Outcome none = parse({});
  ASSERT_TRUE(none.ok);
  EXPECT_EQ(none.options.frames, 100);
  EXPECT_EQ(none.options.width, 1920);
  EXPECT_EQ(none.options.height, 1080);
  EXPECT_EQ(none.options.seed, 347);

  const Outcome all =
      parse({"--frames", "10", "--size", "64x48", "--seed", "32767", "--every", " +3", "--out",
             "dir", "--quiet", "--keys", "3:Esc,4:enter,", "--keys", "0:cu"});
  ASSERT_TRUE(all.ok) << all.problem;
  EXPECT_EQ(all.options.frames, 10);
  EXPECT_EQ(all.options.width, 64);
  EXPECT_EQ(all.options.height, 48);
  EXPECT_EQ(all.options.seed, 32767);
  EXPECT_EQ(all.options.every, 3);
  EXPECT_EQ(all.options.outDir, "dir");
  EXPECT_TRUE(all.options.quiet);
  const std::vector<std::pair<int, int>> keys = {{3, VK_ESCAPE}, {4, VK_RETURN}, {0, VK_UP}};
  ASSERT_EQ(all.options.keys.size(), keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(all.options.keys[i].frame, keys[i].first);
    EXPECT_EQ(all.options.keys[i].vk, keys[i].second);
  }
}

TEST(RenderOptions, RefusesWhatIsOutOfRangeOrMalformedWithItsReason) {
  const char* size = "--size wants WxH, each 8 .. 16384";
  const char* keys = "--keys wants FRAME:KEY pairs separated by commas, e.g. 10:Enter,20:CU";
  const struct {
    std::vector<const char*> args;
    std::string problem;
  } cases[] = {
      {{"--frames", "0"}, "--frames wants 1 .. 10000000"},
      {{"--frames", "10000001"}, "--frames wants 1 .. 10000000"},
      {{"--frames", "12abc"}, "--frames wants 1 .. 10000000"},
      {{"--frames"}, "unknown argument --frames"},
      {{"--size", "7x8"}, size},
      {{"--size", "8x16385"}, size},
      {{"--size", "64x48x"}, size},
      {{"--size", "64 x48"}, size},
      {{"--size", "99999999999x8"}, size},  // past int: refused, never wrapped
      {{"--size", "x"}, size},
      {{"--seed", "32768"}, "--seed wants 0 .. 32767"},
      {{"--seed", "-1"}, "--seed wants 0 .. 32767"},
      {{"--every", "0"}, "--every wants 1 or more"},
      {{"--keys", "1:Nope"}, keys},
      {{"--keys", "1:A,,2:B"}, keys},
      {{"--keys", "A"}, keys},
      {{"--keys", "100000001:A"}, keys},
      {{"--keys", "-1:A"}, keys},
      {{"--quiet", "extra"}, "unknown argument extra"},
  };
  for (const auto& c : cases) {
    const Outcome out = parse(c.args);
    EXPECT_FALSE(out.ok) << c.args[0];
    EXPECT_EQ(out.problem, c.problem) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "");
  }
}
