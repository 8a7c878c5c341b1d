// The program start shared by every program and target: the framework's
// registration, the application's, an optional adjustment, then the shell.

#include "shell/shell.h"

#include "surface/memory.h"
#include "surface/surface.h"

int runApplication(void (*registerApp)(), Handle instance, int showCommand, void (*adjust)()) {
  const long reportsBefore = outOfMemoryReports.load();
  registerFramework();
  registerApp();
  if (adjust) adjust();
  // Memory ran out before there was a window: the box has been shown, and a run
  // without its stores would only fail later.
  if (outOfMemoryReports.load() != reportsBefore) return 0;
  const int code = shellMain(instance, showCommand);
  // A run closed from outside stopped the process before it released the surface.
  releaseBackBuffer();
  return code;
}
