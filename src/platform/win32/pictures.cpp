// Pictures on Windows. Until the GDI+ codecs are written, the picture entries stay
// null: callers see a missing decoder and report a failed load.

#include "platform/win32/pictures.h"

#include "platform/platform.h"

void installGdiplusPictures(Platform&) {}
