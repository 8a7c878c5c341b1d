// The sea scene: the application the shell runs. Its process function draws
// frames until Esc is released; its key handler steers the waves.
#pragma once

#include "blend/color.h"
#include "shell/shared_word.h"

// Written by the key handler on the main thread, read by the frame loop.
extern SharedWord<int> schemeIndex;    // 0 .. 3
extern SharedWord<int> helpFrames;     // frames the help panel is still shown
extern SharedWord<int> exitRequested;  // ends the frame loop

// The two colours of each scheme: deep, light.
constexpr Color schemeColours[4][2] = {{0xFF460000, 0xFFFF4600},
                                       {0xFF002355, 0xFF00AFFF},
                                       {0xFF460023, 0xFFFF8700},
                                       {0xFF003219, 0xFF00E19B}};

void registerSea();  // the application's registration values
void seaProcess();   // the process hook
void initScene();
// Sky, disc and waves into the back buffer: the waves sampled on this thread, then
// the picture drawn in bands of rows on the drawing threads (band_threads.h).
void drawScene();

// The steps of drawScene after sampleWaveLayers, given wavesHideFrom (the frame
// benchmark times them one by one); the disc at x, as drawn before the waves moved it.
// The sky fills rows top .. bottom - 1 of the view.
void drawSky(int hiddenFrom, int top, int bottom);
void drawDisc(float x, int hiddenFrom);
// drawScene, the help panel, present, the panel's background back. Frame after
// frame, the view still holds the frame drawn before, and only what changed since
// is drawn again and shown, unless the surface, the view, the colours or the help
// panel changed (or redrawWholeFrames is set).
void drawFrame();
extern int redrawWholeFrames;  // drawFrame draws and shows every frame whole
void nextScheme();
void seaKeyHandler();  // the onKeyUp hook
// The scene state at its start values (tests run the scene more than once).
void resetScene();
