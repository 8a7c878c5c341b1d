// The program as every target starts it: the registration step, then the shell.
#pragma once

#include "platform/platform.h"
#include "shell/shell.h"

// The application's part of the registration step.
void registerApplication();

// Runs the registration step (framework, then application), then `adjust` when
// given, then the shell.
int runProgram(Handle instance, int showCommand, void (*adjust)() = nullptr);

// An `adjust` for the frame renderer, golden frames and benchmarks: no splash, so
// the first frame presented is the scene's first.
void withoutSplash();
