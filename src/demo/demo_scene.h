// The widget demo: a second application on the same shell and framework. It shows a
// counting number, a scrolling strip, a row of pictures over a colour ramp, and the
// mouse menu, which the right button opens at the mouse. Esc ends it.
#pragma once

extern volatile int demoExitRequested;

void registerDemo();  // the demo's registration values
void demoProcess();   // the process hook
