// Program name, command line and the start of the three run modes.

#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"
#include "platform/headless/headless.h"
#include "shell/shell.h"
#include "surface/surface.h"

namespace {

std::wstring programNameFor(const std::wstring& path) {
  fake->arguments = {path};
  extractProgramName();
  return shell.programName;
}

int parse(std::vector<std::wstring> args) {
  args.insert(args.begin(), L"brinemere.scr");
  fake->arguments = args;
  return parseCommandLine();
}

void noop() {}

// Every test runs on the recording fake.
struct ShellTest : ::testing::Test {
  ShellSandbox sandbox;
};
using ProgramName = ShellTest;
using RunModes = ShellTest;
using ProcessThread = ShellTest;

}  // namespace

TEST_F(ProgramName, TakesTheBaseNameUpToTheFirstDot) {
  EXPECT_EQ(programNameFor(L"C:\\dir\\saver.scr"), L"saver");
  EXPECT_EQ(programNameFor(L"saver.scr"), L"saver");
  EXPECT_EQ(programNameFor(L"C:\\a.b\\noext"), L"noext");
  EXPECT_EQ(programNameFor(L"C:\\dir\\my.saver.scr"), L"my");
  EXPECT_EQ(programNameFor(L""), L"");
  EXPECT_STREQ(shell.programNameAnsi, "");
}

TEST_F(ProgramName, KeepsAtMost255CharactersAndTheirLowBytes) {
  const std::wstring longName(300, L'x');
  EXPECT_EQ(programNameFor(L"C:\\" + longName), std::wstring(255, L'x'));
  programNameFor(L"\\\u0441aver.scr");  // Cyrillic first letter: its low byte is kept
  EXPECT_EQ(static_cast<unsigned char>(shell.programNameAnsi[0]), 0x41);
  EXPECT_STREQ(shell.programNameAnsi + 1, "aver");
}

TEST_F(ProgramName, CanBecomeTheTitle) {
  shellConfig.titleFromProgramName = 1;
  programNameFor(L"C:\\x\\tide.scr");
  EXPECT_STREQ(shellConfig.title, L"tide");
}

TEST(CommandLine, ArgumentsChooseTheRunModeOrShowTheHelpBox) {
  const struct {
    std::vector<std::wstring> args;
    bool settingsPainter;
    int result, saverMode, previewMode;
    Handle previewParent;
    int settingsMode;
    bool help;
  } cases[] = {
      {{}, false, 0, 0, 0, 0, 0, false},  // no argument and /s: the full-screen run
      {{L"/s"}, false, 0, 1, 0, 0, 0, false},
      {{L"/S"}, false, 0, 1, 0, 0, 0, false},
      {{L"/p", L"1234"}, false, 0, 0, 1, 1234, 0, false},  // the handle is a decimal number
      {{L"/P", L"  77xyz"}, false, 0, 0, 1, 77, 0, false},
      {{L"/p", L"abc"}, false, 1, 0, 0, 0, 0, false},  // no handle: ends silently
      {{L"/p", L"0"}, false, 1, 0, 0, 0, 0, false},
      {{L"/c:1234"}, true, 0, 0, 0, 0, 1, false},  // a settings painter: settings mode
      {{L"/c:1234"}, false, 1, 0, 0, 0, 0, true},  // anything else: the help box
      {{L"/p"}, false, 1, 0, 0, 0, 0, true},
      {{L"/x", L"1"}, false, 1, 0, 0, 0, 0, true},
      {{L"/s1"}, false, 1, 0, 0, 0, 0, true},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::wstring& a : c.args) line += std::string(a.begin(), a.end()) + " ";
    SCOPED_TRACE(line);
    ShellSandbox sandbox;
    shellConfig.helpText = L"help";
    shellConfig.helpCaption = L"    Quillmark";
    if (c.settingsPainter) userCallbacks.settingsPainter = noop;
    EXPECT_EQ(parse(c.args), c.result);
    EXPECT_EQ(shell.saverMode, c.saverMode);
    EXPECT_EQ(shell.previewMode, c.previewMode);
    EXPECT_EQ(shell.previewParent, c.previewParent);
    EXPECT_EQ(shell.settingsMode, c.settingsMode);
    EXPECT_EQ(fake->boxTexts,
              c.help ? std::vector<std::wstring>{L"help"} : std::vector<std::wstring>{});
    EXPECT_EQ(fake->boxCaptions,
              c.help ? std::vector<std::wstring>{L"    Quillmark"} : std::vector<std::wstring>{});
    EXPECT_EQ(fake->called("MessageBox 0 0"), c.help);  // owner 0, MB_OK
  }
}

TEST_F(RunModes, FullScreenWindowIsCentredAndStartsTheThread) {
  shellConfig.title = L"Tarn : Brinemere";
  setScreenSize(7777777, 1024);
  userCallbacks.process = noop;
  fake->arguments = {L"brinemere.scr", L"/s"};
  EXPECT_EQ(shellMain(0x1, 1), 0);
  EXPECT_EQ(shellConfig.windowWidth, 1368);
  EXPECT_TRUE(fake->called("FindWindow Tarn : Brinemere"));
  EXPECT_TRUE(fake->called("RegisterClass Tarn : Brinemere 0 icon 1"));
  // x = 683 - 684 = -1; WS_POPUP.
  EXPECT_TRUE(
      fake->called("CreateWindow Tarn : Brinemere|Tarn : Brinemere 2147483648 -1 0 1368 768 0"));
  EXPECT_TRUE(fake->called("CreateThread 1280"));
  EXPECT_TRUE(fake->called("ShowCursor 1"));
  EXPECT_TRUE(fake->called("ReleaseDC 1280 220"));
  EXPECT_EQ(shell.closeAllowed, 1);
}

TEST_F(RunModes, PreviewMakesAChildOfTheHostAndNoThread) {
  shellConfig.title = L"Tarn : Brinemere";
  fake->arguments = {L"brinemere.scr", L"/p", L"4660"};
  fake->clientRect = Rect{0, 0, 152, 112};
  EXPECT_EQ(shellMain(0x1, 1), 0);
  EXPECT_TRUE(fake->called("RegisterClass Tarn : Brinemere 128 icon 0"));
  EXPECT_TRUE(
      fake->called("CreateWindow Tarn : Brinemere|Tarn : Brinemere 1476395008 0 0 152 112 4660"));
  EXPECT_TRUE(fake->callsStartingWith("CreateThread").empty());
  EXPECT_TRUE(fake->callsStartingWith("GetDC").empty());
}

TEST_F(RunModes, PreviewOfAMissingHostEndsAtOnce) {
  fake->arguments = {L"brinemere.scr", L"/p", L"999"};
  fake->clientRectResult = 0;
  EXPECT_EQ(shellMain(0x1, 1), 0);
  EXPECT_TRUE(fake->callsStartingWith("CreateWindow").empty());
  EXPECT_TRUE(fake->callsStartingWith("GetMessage").empty());
}

TEST_F(RunModes, FailedClassRegistrationEndsWithZero) {
  fake->registerResult = 0;
  EXPECT_EQ(shellMain(0x1, 1), 0);
  EXPECT_TRUE(fake->callsStartingWith("CreateWindow").empty());
}

TEST_F(RunModes, SettingsModeUsesACaptionedWindowAndTheSettingsProcess) {
  userCallbacks.settingsPainter = noop;
  fake->arguments = {L"brinemere.scr", L"/c"};
  EXPECT_EQ(shellMain(0x1, 1), 0);
  EXPECT_EQ(shellConfig.windowStyle, WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(userCallbacks.process, shellConfig.settingsProcess);
  // 683 - 120 = 563, 384 - 120 = 264; no ShowCursor in settings mode.
  EXPECT_TRUE(fake->called("CreateWindow VCosole|VCosole 13107200 563 264 240 240 0"));
  EXPECT_TRUE(fake->callsStartingWith("ShowCursor").empty());
}

TEST_F(ProcessThread, PriorityFollowsTheOption) {
  userCallbacks.process = noop;
  shellConfig.processPriority = 2;
  startProcessThread();
  EXPECT_TRUE(fake->called("SetThreadPriority 32429 15"));
  shellConfig.processPriority = 1;
  startProcessThread();
  EXPECT_TRUE(fake->called("SetThreadPriority 32429 2"));
}

TEST_F(ProcessThread, WithoutAProcessNoThreadStarts) {
  startProcessThread();
  EXPECT_EQ(shell.closeAllowed, 1);
  EXPECT_TRUE(fake->callsStartingWith("CreateThread").empty());
}

TEST_F(ProcessThread, BodyRunsTheProcessThenClosesTheWindow) {
  static int ran;
  ran = 0;
  userCallbacks.process = [] {
    ++ran;
    EXPECT_EQ(shell.processFinished, 0);
    EXPECT_EQ(shell.closeAllowed, 0);
  };
  shell.mainWindow = 0x500;
  EXPECT_EQ(processThreadMain(nullptr), 0u);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(shell.processFinished, 1);
  EXPECT_EQ(shell.closeAllowed, 1);
  ASSERT_GE(fake->calls.size(), 2u);
  EXPECT_EQ(fake->calls.front(), "Sleep 10");
  EXPECT_EQ(fake->calls.back(), "SendMessage 1280 16 0 0");
}

TEST_F(ProcessThread, RequestExitAndPreviousInstance) {
  shell.mainWindow = 0x500;
  requestExit();
  EXPECT_EQ(shell.processFinished, 1);
  EXPECT_TRUE(fake->called("SendMessage 1280 16 0 0"));
  EXPECT_EQ(closePreviousInstance(), 0);
  shell.previousInstanceWindow = 0x900;
  EXPECT_EQ(closePreviousInstance(), 1);
  EXPECT_TRUE(fake->called("SendMessage 2304 16 0 0"));
}

TEST(Registration, TimerSlotsComeFromTheTop) {
  ShellSandbox sandbox;
  registerFramework();
  EXPECT_EQ(splashTimerSlot, 255);
  EXPECT_EQ(shell.cursorTimerSlot, 254);
  EXPECT_TRUE(fake->called("timeBeginPeriod 1"));
  EXPECT_EQ(allocateTimerSlot(), 253);
  for (int i = 0; i < 253; ++i) allocateTimerSlot();
  EXPECT_EQ(allocateTimerSlot(), -1);
}

TEST(PreviewPainter, DefaultPaintsTheGreyCard) {
  ShellSandbox sandbox;
  shell.windowDC = 0x33;
  shell.previewRect = Rect{0, 0, 152, 112};
  shellConfig.previewText = L"Q u i l l m a r k";
  defaultPreviewPainter();
  const std::vector<std::string> expected = {
      "FillRect 51 0 0 152 112 3", "FillRect 51 5 5 147 107 2",
      "TextOut 51 76 47 Q u i l l m a r k 8355711 16777215 6"};
  EXPECT_EQ(fake->calls, expected);
}

// Windows takes a slash for a backslash; elsewhere only the slash separates, so a
// program started from a folder of the search path or as ./brinemere keeps its name.
TEST_F(ProgramName, FolderSeparatorsAreTheSystemsOwn) {
  struct Case {
    std::wstring path, name;
  };
#ifdef _WIN32
  const Case cases[] = {{L"C:\\bin\\brinemere.scr", L"brinemere"},
                        {L"./brinemere", L"brinemere"},
                        {L"C:/bin/x.y\\tide.scr", L"tide"}};
#else
  const Case cases[] = {{L"/usr/bin/brinemere", L"brinemere"},
                        {L"./brinemere", L"brinemere"},
                        {L"../x.y/tide.bin", L"tide"},
                        {L"C:\\bin\\brinemere.scr", L"C:\\bin\\brinemere"}};
#endif
  for (const Case& c : cases) {
    headless::Options options;
    options.arguments = {c.path};
    headless::configure(options);
    extractProgramName();
    EXPECT_EQ(std::wstring(shell.programName), c.name) << std::string(c.path.begin(), c.path.end());
  }
  resetShellState();
}
