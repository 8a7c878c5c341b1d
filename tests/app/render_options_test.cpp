// The frame renderer's command line and event script: what each argument sets, and
// the reason given for each refusal.

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

  EXPECT_FALSE(none.options.demo);
  EXPECT_FALSE(none.options.splash);
  EXPECT_FALSE(none.options.hashes);
  EXPECT_EQ(none.options.threads, 1);
  const Outcome all = parse({"--frames",       "10",     "--size", "64x48",  "--seed",   "32767",
                             "--every",        " +3",    "--out",  "dir",    "--quiet",  "--keys",
                             "3:Esc,4:enter,", "--keys", "0:cu",   "--demo", "--splash", "--hashes",
                             "--threads",      "16"});
  ASSERT_TRUE(all.ok) << all.problem;
  EXPECT_EQ(all.options.frames, 10);
  EXPECT_EQ(all.options.width, 64);
  EXPECT_EQ(all.options.height, 48);
  EXPECT_EQ(all.options.seed, 32767);
  EXPECT_EQ(all.options.every, 3);
  EXPECT_EQ(all.options.outDir, "dir");
  EXPECT_TRUE(all.options.quiet);
  EXPECT_TRUE(all.options.demo);
  EXPECT_TRUE(all.options.splash);
  EXPECT_TRUE(all.options.hashes);
  EXPECT_EQ(all.options.threads, 16);
  const std::vector<std::pair<int, int>> keys = {{3, VK_ESCAPE}, {4, VK_RETURN}, {0, VK_UP}};
  ASSERT_EQ(all.options.script.size(), keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(all.options.script[i].frame, keys[i].first);
    EXPECT_EQ(all.options.script[i].action, ScriptAction::key);
    EXPECT_EQ(all.options.script[i].vk, keys[i].second);
  }
}

// Mouse events among keys, in the order written; each spelled back canonically.
TEST(RenderOptions, EventScriptReadsMouseEventsAndSpellsThemBack) {
  using A = ScriptAction;
  const struct {
    const char* text;
    ScriptEvent event;
    const char* canonical;
  } cases[] = {
      {"40:Move(300,200)", {40, A::move, 0, 300, 200}, "40:Move(300,200)"},
      {"0:move( 0,+16383)", {0, A::move, 0, 0, 16383}, "0:Move(0,16383)"},
      {"41:RDown", {41, A::rightDown, 0, 0, 0}, "41:RDown"},
      {"41:rup", {41, A::rightUp, 0, 0, 0}, "41:RUp"},
      {"42:RClick", {42, A::rightClick, 0, 0, 0}, "42:RClick"},
      {"43:LDOWN", {43, A::leftDown, 0, 0, 0}, "43:LDown"},
      {"44:LUp", {44, A::leftUp, 0, 0, 0}, "44:LUp"},
      {"45:LClick", {45, A::leftClick, 0, 0, 0}, "45:LClick"},
      {"46:space", {46, A::key, VK_SPACE, 0, 0}, "46:Space"},
  };
  std::string all;
  for (const auto& c : cases) {
    std::vector<ScriptEvent> script;
    ASSERT_TRUE(parseEventScript(c.text, script)) << c.text;
    ASSERT_EQ(script.size(), 1u) << c.text;
    const ScriptEvent& e = script[0];
    EXPECT_TRUE(e.frame == c.event.frame && e.action == c.event.action && e.vk == c.event.vk &&
                e.x == c.event.x && e.y == c.event.y)
        << c.text;
    EXPECT_EQ(spellEvent(e), c.canonical);
    all += std::string(c.text) + ",";
  }
  // All of them in one script: the commas inside Move(...) do not split it.
  std::vector<ScriptEvent> script;
  // A zero byte inside a number is not its end (a fuzzer's find).
  EXPECT_FALSE(parseEventScript(std::string("5:Move(16\0x,4)", 14), script));
  EXPECT_FALSE(parseEventScript(std::string("5\0x:A", 5), script));
  ASSERT_TRUE(parseEventScript(all, script));
  ASSERT_EQ(script.size(), std::size(cases));
  for (std::size_t i = 0; i < script.size(); ++i)
    EXPECT_EQ(spellEvent(script[i]), cases[i].canonical);
}

TEST(RenderOptions, RefusesWhatIsOutOfRangeOrMalformedWithItsReason) {
  const char* size = "--size wants WxH, each 8 .. 16384";
  const char* keys =
      "--keys wants FRAME:EVENT items separated by commas, e.g. 10:Enter,20:Move(30,40)";
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
      {{"--threads", "0"}, "--threads wants 1 .. 16"},
      {{"--threads", "17"}, "--threads wants 1 .. 16"},
      {{"--threads", "2x"}, "--threads wants 1 .. 16"},
      {{"--threads"}, "unknown argument --threads"},
      {{"--keys", "1:Nope"}, keys},
      {{"--keys", "1:A,,2:B"}, keys},
      {{"--keys", "A"}, keys},
      {{"--keys", "100000001:A"}, keys},
      {{"--keys", "-1:A"}, keys},
      {{"--keys", "1:Move(1,16384)"}, keys},
      {{"--keys", "1:Move(-1,2)"}, keys},
      {{"--keys", "1:Move(1,2"}, keys},
      {{"--keys", "1:Move(1)"}, keys},
      {{"--keys", "1:Move(1,2,3)"}, keys},
      {{"--keys", "1:Move(1,2)x"}, keys},
      {{"--keys", "1:Move"}, keys},
      {{"--keys", "1:LDown(1,2)"}, keys},
      {{"--keys", "1:MDown"}, keys},
      {{"--keys", "1:Move((1,2))"}, keys},
      {{"--keys", "1:Move)1,2("}, keys},
      {{"--quiet", "extra"}, "unknown argument extra"},
      {{"--hashes", "--y4m", "-"}, "--hashes and a film on standard output cannot share it"},
      {{"--gif", "-", "--hashes"}, "--hashes and a film on standard output cannot share it"},
  };
  for (const auto& c : cases) {
    const Outcome out = parse(c.args);
    EXPECT_FALSE(out.ok) << c.args[0];
    EXPECT_EQ(out.problem, c.problem) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "");
  }
}
