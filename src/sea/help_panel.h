// The help panel: F1 shows the scene's controls in a dark rounded panel in the middle
// of the view for 250 frames. It is drawn over the finished frame just before
// presentation and the pixels under it are put back right after, so the next frame
// never sees it.
#pragma once

#include "font/font_spr.h"

extern FontSPR* helpFont;  // the font the panel prints with; null outside a run
extern int helpDrawn;      // the panel is on the view and its background must go back

// Lines separated by line feeds; the seventh is 89 full stops.
extern const char helpText[];

void createHelpFont();         // set-up: the font "TYPE_EN_RU", line gap 4
void drawHelpPanel();          // frame, before present: counts helpFrames down, draws
void restoreHelpBackground();  // frame, after present: puts the saved pixels back
void releaseHelpFont();        // end: frees and deletes the font
