// Files, folders, global blocks and the processor count on kernel32 and shell32.
// Shared with the headless backend built for Windows, whose tests use real files.
// Free of <windows.h>.
#pragma once

#include "platform/platform.h"

void installWin32Files(Platform& p);
