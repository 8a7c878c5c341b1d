// BrinemereDemo.exe: the widget demo on Windows, started like Brinemere.scr.

#include "demo/demo_scene.h"
#include "platform/win32/win32.h"
#include "shell/shell.h"

extern "C" int __stdcall wWinMain(void* instance, void* previousInstance, wchar_t* commandLine,
                                  int showCommand) {
  (void)previousInstance;
  (void)commandLine;
  win32::install();
  return runApplication(registerDemo, reinterpret_cast<Handle>(instance), showCommand);
}
