// Brinemere.scr: the program on Windows. Built with -municode, so the C runtime
// starts wWinMain with the wide command line.
//
// <windows.h> stays inside the platform folder: the entry point is declared here
// with the types it has on i686 (four 32-bit arguments, stdcall, C linkage).

#include "app/program.h"
#include "platform/win32/win32.h"

extern "C" int __stdcall wWinMain(void* instance, void* previousInstance, wchar_t* commandLine,
                                  int showCommand) {
  (void)previousInstance;
  (void)commandLine;  // the shell reads GetCommandLineW through the platform
  win32::install();
  return runProgram(reinterpret_cast<Handle>(instance), showCommand);
}
