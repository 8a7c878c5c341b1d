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

}  // namespace

TEST(ProgramName, TakesTheBaseNameUpToTheFirstDot) {
  ShellSandbox sandbox;
  EXPECT_EQ(programNameFor(L"C:\\dir\\saver.scr"), L"saver");
  EXPECT_EQ(programNameFor(L"saver.scr"), L"saver");
  EXPECT_EQ(programNameFor(L"C:\\a.b\\noext"), L"noext");
  EXPECT_EQ(programNameFor(L"C:\\dir\\my.saver.scr"), L"my");
  EXPECT_EQ(programNameFor(L""), L"");
  EXPECT_STREQ(shell.programNameAnsi, "");
}

TEST(ProgramName, KeepsAtMost255CharactersAndTheirLowBytes) {
  ShellSandbox sandbox;
  const std::wstring longName(300, L'x');
  EXPECT_EQ(programNameFor(L"C:\\" + longName), std::wstring(255, L'x'));
  programNameFor(L"\\\u0441aver.scr");  // Cyrillic first letter: its low byte is kept
  EXPECT_EQ(static_cast<unsigned char>(shell.programNameAnsi[0]), 0x41);
  EXPECT_STREQ(shell.programNameAnsi + 1, "aver");
}

TEST(ProgramName, CanBecomeTheTitle) {
  ShellSandbox sandbox;
  shellConfig.titleFromProgramName = 1;
  programNameFor(L"C:\\x\\tide.scr");
  EXPECT_STREQ(shellConfig.title, L"tide");
}

TEST(CommandLine, NoArgumentAndSlashSStartTheFullScreenRun) {
  ShellSandbox sandbox;
  EXPECT_EQ(parse({}), 0);
  EXPECT_EQ(shell.saverMode, 0);
  EXPECT_EQ(parse({L"/s"}), 0);
  EXPECT_EQ(shell.saverMode, 1);
  EXPECT_EQ(parse({L"/S"}), 0);
  EXPECT_EQ(shell.saverMode, 1);
  EXPECT_EQ(shell.previewMode, 0);
  EXPECT_TRUE(fake->boxTexts.empty());
}

TEST(CommandLine, PreviewHandleIsReadAsADecimalNumber) {
  ShellSandbox sandbox;
  EXPECT_EQ(parse({L"/p", L"1234"}), 0);
  EXPECT_EQ(shell.previewMode, 1);
  EXPECT_EQ(shell.previewParent, 1234u);
  EXPECT_EQ(parse({L"/P", L"  77xyz"}), 0);
  EXPECT_EQ(shell.previewParent, 77u);
}

TEST(CommandLine, PreviewWithoutAHandleEndsSilently) {
  ShellSandbox sandbox;
  EXPECT_EQ(parse({L"/p", L"abc"}), 1);
  EXPECT_EQ(parse({L"/p", L"0"}), 1);
  EXPECT_EQ(shell.previewMode, 0);
  EXPECT_TRUE(fake->boxTexts.empty());
}

TEST(CommandLine, AnythingElseShowsTheHelpBox) {
  ShellSandbox sandbox;
  shellConfig.helpText = L"help";
  shellConfig.helpCaption = L"    Quillmark";
  for (const std::vector<std::wstring>& args :
       {std::vector<std::wstring>{L"/c:1234"}, {L"/p"}, {L"/x", L"1"}, {L"/s1"}}) {
    fake->boxTexts.clear();
    fake->boxCaptions.clear();
    EXPECT_EQ(parse(args), 1);
    ASSERT_EQ(fake->boxTexts.size(), 1u);
    EXPECT_EQ(fake->boxTexts[0], L"help");
    EXPECT_EQ(fake->boxCaptions[0], L"    Quillmark");
  }
  EXPECT_TRUE(fake->called("MessageBox 0 0"));  // owner 0, MB_OK
}

TEST(CommandLine, ASettingsPainterSelectsSettingsMode) {
  ShellSandbox sandbox;
  userCallbacks.settingsPainter = noop;
  EXPECT_EQ(parse({L"/c:1234"}), 0);
  EXPECT_EQ(shell.settingsMode, 1);
  EXPECT_TRUE(fake->boxTexts.empty());
}

TEST(RunModes, FullScreenWindowIsCentredAndStartsTheThread) {
  ShellSandbox sandbox;
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

TEST(RunModes, PreviewMakesAChildOfTheHostAndNoThread) {
  ShellSandbox sandbox;
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

TEST(RunModes, PreviewOfAMissingHostEndsAtOnce) {
  ShellSandbox sandbox;
  fake->arguments = {L"brinemere.scr", L"/p", L"999"};
  fake->clientRectResult = 0;
  EXPECT_EQ(shellMain(0x1, 1), 0);
  EXPECT_TRUE(fake->callsStartingWith("CreateWindow").empty());
  EXPECT_TRUE(fake->callsStartingWith("GetMessage").empty());
}

TEST(RunModes, FailedClassRegistrationEndsWithZero) {
  ShellSandbox sandbox;
  fake->registerResult = 0;
  EXPECT_EQ(shellMain(0x1, 1), 0);
  EXPECT_TRUE(fake->callsStartingWith("CreateWindow").empty());
}

TEST(RunModes, SettingsModeUsesACaptionedWindowAndTheSettingsProcess) {
  ShellSandbox sandbox;
  userCallbacks.settingsPainter = noop;
  fake->arguments = {L"brinemere.scr", L"/c"};
  EXPECT_EQ(shellMain(0x1, 1), 0);
  EXPECT_EQ(shellConfig.windowStyle, WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(userCallbacks.process, shellConfig.settingsProcess);
  // 683 - 120 = 563, 384 - 120 = 264; no ShowCursor in settings mode.
  EXPECT_TRUE(fake->called("CreateWindow VCosole|VCosole 13107200 563 264 240 240 0"));
  EXPECT_TRUE(fake->callsStartingWith("ShowCursor").empty());
}

TEST(ProcessThread, PriorityFollowsTheOption) {
  ShellSandbox sandbox;
  userCallbacks.process = noop;
  shellConfig.processPriority = 2;
  startProcessThread();
  EXPECT_TRUE(fake->called("SetThreadPriority 32429 15"));
  shellConfig.processPriority = 1;
  startProcessThread();
  EXPECT_TRUE(fake->called("SetThreadPriority 32429 2"));
}

TEST(ProcessThread, WithoutAProcessNoThreadStarts) {
  ShellSandbox sandbox;
  startProcessThread();
  EXPECT_EQ(shell.closeAllowed, 1);
  EXPECT_TRUE(fake->callsStartingWith("CreateThread").empty());
}

TEST(ProcessThread, BodyRunsTheProcessThenClosesTheWindow) {
  ShellSandbox sandbox;
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

TEST(ProcessThread, RequestExitAndPreviousInstance) {
  ShellSandbox sandbox;
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

// Elsewhere than on Windows a slash separates folders too, so a program started
// from a folder of the search path or as ./brinemere keeps its name.
TEST(ProgramName, FolderSeparatorsAreTheSystemsOwn) {
  struct Case {
    std::wstring path, name;
  };
#ifdef _WIN32
  const Case cases[] = {{L"C:\\bin\\brinemere.scr", L"brinemere"}, {L"./brinemere", L""}};
#else
  const Case cases[] = {{L"/usr/bin/brinemere", L"brinemere"},
                        {L"./brinemere", L"brinemere"},
                        {L"../x.y/tide.bin", L"tide"},
                        {L"C:\\bin\\brinemere.scr", L"brinemere"}};
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
