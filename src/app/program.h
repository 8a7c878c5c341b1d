// The program as every target starts it: the registration step, then the shell.
#pragma once

#include "platform/platform.h"

// The application's part of the registration step.
void registerApplication();

// Runs the registration step (framework, then application) and the shell.
int runProgram(Handle instance, int showCommand);
