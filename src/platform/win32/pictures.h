// The picture entries of the platform record on Windows: the system's picture
// library (GDI+ flat interface) decodes, resamples and encodes.
#pragma once

#include "platform/platform.h"

// Fills startPictures ... drawPicture of `platform`.
void installGdiplusPictures(Platform& platform);
