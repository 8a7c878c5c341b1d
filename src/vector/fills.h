// Whole-view fills that start a frame, the colour arithmetic shared by the drawing
// code, and pictures drawn as grids of anti-aliased dots.
#pragma once

#include <cstdint>

#include "blend/color.h"

// Colour of the surface outside the view (fillOutsideView).
extern Color borderColour;

// ---- whole-view fills (an empty or missing surface is left alone) -----------
void fillView(Color colour, int mode);  // the whole view in the given blend mode
void clearView();                       // every view pixel becomes clearColour
// Alpha-blends clearColour over the view with alpha byte (1 - a) mod 256: a = 1
// changes nothing, a = 0 moves one 256th towards the clear colour.
void fadeView(std::uint32_t a);
void fillOutsideView();  // borderColour outside the view; sets fullPresentPending

// ---- colour arithmetic --------------------------------------------------------
Color packRGB(int r, int g, int b);  // opaque, each channel clamped to 0..255
// Per byte, alpha included: (a * 256 + (b - a) * w) >> 8. w is clamped to 0..256
// (0 gives a, 255 gives b less at most 1, 256 gives b).
Color lerpColor(Color a, Color b, int w);
// Random offsets in [-amount, amount] from RandomSeed, then packRGB (alpha becomes
// 0xFF). amount 0 returns c unchanged and draws nothing. Channel sums saturate, so
// any amount is safe.
Color jitterColor(Color c, int amount);  // one offset per channel, three draws
Color jitterGray(Color c, int amount);   // one offset for all channels, one draw

// ---- dot mosaic -----------------------------------------------------------------
// Draws a width x height picture (row 0 first) as anti-aliased discs of diameter
// dotSize, pitch dotSize + gap, the top-left centre near (x + dotSize / 2, y +
// dotSize / 2). Each row is shifted right by slant x (rows below it), so a positive
// slant leans the picture like italic type; slant 347 instead shifts odd rows right
// by half the pitch. Draws nothing for a null picture, a width or height below 1,
// or a dotSize outside 0..65536; dots whose centre lies beyond 2^24 are skipped.
void drawDotMosaic(int x, int y, int mode, int width, int height, const Color* pixels, int dotSize,
                   int gap, int slant);
