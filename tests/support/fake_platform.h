// A recording fake of the platform record: every call the shell makes is logged
// as one line ("SetTimer 4660 1602 1000"), and the answers are set per test.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct FakePlatform {
  std::vector<std::string> calls;
  std::vector<std::wstring> arguments{L"C:\\saver\\brinemere.scr"};
  int screenWidth = 1366, screenHeight = 768;
  int registerResult = 1;
  Handle nextWindow = 0x500;
  Handle foundWindow = 0;
  int killTimerResult = 1;
  Handle clipboardNext = 0x777;
  Rect clientRect{0, 0, 152, 112};
  int clientRectResult = 1;
  int defWindowProcCalls = 0;
  std::vector<std::wstring> boxTexts, boxCaptions;

  // Installs the fake into `platform` and makes it the current one.
  void install();
  // Calls recorded so far that start with `prefix`.
  std::vector<std::string> callsStartingWith(const std::string& prefix) const;
  bool called(const std::string& line) const;
};

// The fake in use (set by install()).
extern FakePlatform* fake;

// Saves the platform record and every shell global, restores them afterwards.
struct ShellSandbox {
  Platform savedPlatform;
  FakePlatform platformFake;
  ShellSandbox();
  ~ShellSandbox();
};
