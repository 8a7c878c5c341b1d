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

// Safe points. Any other call may hold locks too (the heap's, the loader's, those
// of the picture codecs), and a thread killed inside one leaves the window thread
// to hang or crash as the process ends. So terminateThread first asks the thread
// to stop: a thread of createThread that is asked parks at its next gated call or
// sleep, holding nothing, and is killed there. While it waits in a sleep or a
// sendMessage it holds nothing either (SafeWait), and is killed at once. One that
// reaches no such point within half a second is killed where it is, as before.
struct SafeWait {
  SafeWait();
  ~SafeWait();
  SafeWait(const SafeWait&) = delete;
  SafeWait& operator=(const SafeWait&) = delete;
};

}  // namespace win32
