// The widget demo: a second application on the same shell and framework. It shows a
// counting number, a scrolling strip, a row of pictures over a colour ramp, and the
// mouse menu, which the right button opens at the mouse. Esc ends it.
//
// Keys: Left and Right change the strip's speed, Space the ramp's colours, R resets
// the count, Ctrl+C copies the frame to the clipboard, Ctrl+S saves it as a PNG
// picture through the save dialog or, where there is no file chooser, to the
// pictures folder under a dated name, and says where. Speed, colours and count are
// remembered in the settings file (the program's folder and name with ".ini"); a
// missing or damaged file gives the defaults and is written anew when the demo ends.
#pragma once

extern volatile int demoExitRequested;
// 1 (the default): the state is loaded at start and saved at the end. The frame
// renderer clears it, so its runs depend on nothing but their arguments.
extern int demoRemembersState;

void registerDemo();  // the demo's registration values
void demoProcess();   // the process hook
