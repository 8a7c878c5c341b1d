// Private to the Win32 backend: each area fills its own entries of the record.
//
// WARNING: include this before <windows.h>. The record's Win32-named constants
// (WM_CREATE, VK_ESCAPE, ...) are enumerators, which <windows.h>'s macros of the
// same names would mangle if they came first.
#pragma once

#include "platform/platform.h"

namespace win32 {

void installWindows(Platform& p);    // window.cpp: classes, windows, messages, timers
void installGdi(Platform& p);        // gdi.cpp: device contexts, painting, the back buffer
void installThreads(Platform& p);    // threads.cpp: threads, clocks, version, vertical blank
void installSystem(Platform& p);     // system.cpp: monitors, resources, command line
void installDialogs(Platform& p);    // dialogs.cpp: the open and save dialogs
void installClipboard(Platform& p);  // clipboard.cpp: CF_DIB and CF_TEXT

// The kill gate. TerminateThread must not strike a thread inside a GDI or
// DirectDraw call: on Wine such calls hold process-wide locks in user space, and a
// thread killed there leaves them held for good. Those calls run inside the gate;
// terminateThread enters it before it kills, so a kill waits for at most one call.
// On Windows the locks live in the kernel and the gate costs one uncontended lock.
void enterGate();
void leaveGate();

struct GateGuard {
  GateGuard() { enterGate(); }
  ~GateGuard() { leaveGate(); }
  GateGuard(const GateGuard&) = delete;
  GateGuard& operator=(const GateGuard&) = delete;
};

}  // namespace win32
