// The start-up splash and the /p preview: two painters the application installs at
// registration. Both only show pictures from the program's resources.
#pragma once

#include "blend/color.h"

constexpr Color urlTint = 0xFFAAAAAA;  // the hint line's colours scaled by 170/256
constexpr int previewPictureWidth = 152, previewPictureHeight = 112;

// Clears the view to transparent black, draws "LoadScr" centred, "InfoScr" above the
// bottom edge and the tinted, dotted "UrlScr" under the first, presents, and restores
// the clear colour. Called by createBackBuffer on the process thread.
void seaSplashPainter();

// Fills the host's client area black and draws "PreviewScr" unscaled, centred by its
// fixed size (a smaller host clips it). Called for every WM_PAINT of the preview.
void seaPreviewPainter();

// Top-left corner of the preview picture in a host of the given client size.
void previewOrigin(int hostWidth, int hostHeight, int& x, int& y);
