// The start options as every command line reads them: each value, the rounding of
// the force, and the refusals.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/render_options.h"
#include "app/start_options.h"

namespace {

struct Case {
  std::vector<const char*> args;  // after the program's name, renderer spelling
  bool ok;
  SceneStart expected;  // when ok
};

}  // namespace

TEST(StartOptions, RendererReadsEachValueAndRefusesBadOnes) {
  const SceneStart d;  // the defaults: dusk, 1.5, foam, left
  EXPECT_EQ(d.scheme, 2);
  EXPECT_EQ(d.force, 1.5f);
  EXPECT_EQ(d.foam, 1);
  EXPECT_EQ(d.direction, -1.0f);
  const Case cases[] = {
      {{"--scheme", "teal"}, true, {3, 1.5f, 1, -1.0f}},
      {{"--scheme", "red"}, true, {0, 1.5f, 1, -1.0f}},
      {{"--scheme", "blue"}, true, {1, 1.5f, 1, -1.0f}},
      {{"--scheme", "dusk"}, true, d},
      {{"--force", "1"}, true, {2, 1.0f, 1, -1.0f}},
      {{"--force", "3.0"}, true, {2, 3.0f, 1, -1.0f}},
      {{"--force", "2.1"}, true, {2, 2.0f, 1, -1.0f}},     // nearest quarter
      {{"--force", "2.13"}, true, {2, 2.25f, 1, -1.0f}},   // nearer 2.25 than 2.0
      {{"--force", "1.125"}, true, {2, 1.25f, 1, -1.0f}},  // halves away from zero
      {{"--no-foam"}, true, {2, 1.5f, 0, -1.0f}},
      {{"--no-foam", "--foam"}, true, d},
      {{"--drift", "right"}, true, {2, 1.5f, 1, 1.0f}},
      {{"--drift", "right", "--drift", "left"}, true, d},
      {{"--scheme", "blue", "--force", "2.75", "--no-foam", "--drift", "right"},
       true,
       {1, 2.75f, 0, 1.0f}},
      {{"--scheme", "Teal"}, false, d},
      {{"--scheme", "green"}, false, d},
      {{"--scheme"}, false, d},
      {{"--scheme", ""}, false, d},
      {{"--force", "0.99"}, false, d},
      {{"--force", "3.01"}, false, d},
      {{"--force", "-2"}, false, d},
      {{"--force", "nan"}, false, d},
      {{"--force", "inf"}, false, d},
      {{"--force", "2 "}, false, d},
      {{"--force", ""}, false, d},
      {{"--force"}, false, d},
      {{"--drift", "up"}, false, d},
      {{"--drift"}, false, d},
      {{"--foam=1"}, false, d},
  };
  for (const Case& c : cases) {
    std::vector<const char*> args = c.args;
    std::string line;
    for (const char* a : args) line += std::string(a) + " ";
    args.insert(args.begin(), "brinemere-render");
    RenderOptions options;
    std::string problem;
    const bool ok =
        parseRenderArguments(static_cast<int>(args.size()), args.data(), options, problem);
    ASSERT_EQ(ok, c.ok) << line << problem;
    if (!ok) {
      EXPECT_NE(problem.find(c.args[0]), std::string::npos) << line << problem;
      continue;
    }
    EXPECT_EQ(options.start.scheme, c.expected.scheme) << line;
    EXPECT_EQ(options.start.force, c.expected.force) << line;
    EXPECT_EQ(options.start.foam, c.expected.foam) << line;
    EXPECT_EQ(options.start.direction, c.expected.direction) << line;
  }
}

TEST(StartOptions, OneDashIsAnotherSpellingOnly) {
  const char* args[] = {"brinemere", "-scheme", "teal", "--scheme", "red", "-root"};
  SceneStart start;
  std::string problem;
  EXPECT_EQ(readStartOption(6, args, 1, "-", start, problem), 2);
  EXPECT_EQ(start.scheme, 3);
  // Written with the other dash, or another option: not ours.
  EXPECT_EQ(readStartOption(6, args, 3, "-", start, problem), 0);
  EXPECT_EQ(readStartOption(6, args, 5, "-", start, problem), 0);
  EXPECT_EQ(readStartOption(6, args, 3, "--", start, problem), 2);
  EXPECT_EQ(start.scheme, 0);
}

TEST(StartOptions, TheLinuxProgramPassesTheOtherArgumentsOn) {
  const char* words[] = {"brinemere", "-root",      "-scheme", "red",      "--drift",
                         "right",     "-window-id", "7",       "-no-foam", "/s"};
  std::vector<char*> argv;
  for (const char* w : words) argv.push_back(const_cast<char*>(w));
  SceneStart start;
  std::vector<char*> rest;
  std::string problem;
  ASSERT_TRUE(takeStartOptions(static_cast<int>(argv.size()), argv.data(), start, rest, problem));
  std::vector<std::string> others(rest.begin(), rest.end());
  EXPECT_EQ(others, (std::vector<std::string>{"brinemere", "-root", "-window-id", "7", "/s"}));
  EXPECT_EQ(start.scheme, 0);
  EXPECT_EQ(start.direction, 1.0f);
  EXPECT_EQ(start.foam, 0);
  char* bad[] = {argv[0], argv[1], const_cast<char*>("-force"), const_cast<char*>("0")};
  EXPECT_FALSE(takeStartOptions(4, bad, start, rest, problem));
  EXPECT_EQ(problem, "-force wants a number from 1.0 to 3.0, not '0'");
}
