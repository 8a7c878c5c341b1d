// The splash and preview painters. The splash goes through the framework's picture
// object like any sprite; the preview is painted straight onto the host's device
// context, because the preview run has no back buffer.

#include "sea/splash.h"

#include "image/base_spr.h"
#include "image/picture_io.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "surface/surface.h"
#include "vector/fills.h"

namespace {

// Loads a picture at its natural size, places and draws it, frees it. Returns the
// bottom row of where it went. `dots` draws it as 1-pixel dots at a 2-pixel pitch.
int showPicture(const wchar_t* name, int x, int y, int flags, bool dots) {
  BaseSPR picture(name, nullptr, -1, -1);
  if (dots) {
    picture.pixelSize = 1;
    picture.gap = 1;
  }
  picture.Place(x, y, flags);
  picture.Draw(-1);
  const int bottom = picture.y1;
  picture.Free();
  return bottom;
}

}  // namespace

void seaSplashPainter() {
  const Color savedClear = backBuffer.clearColour;
  backBuffer.clearColour = 0x00000000;
  clearView();
  const int below = showPicture(L"LoadScr", 0, 0, 0xA1, false);  // centred on the view
  showPicture(L"InfoScr", 0, 12, 0x61, false);                   // 12 rows above the bottom
  pendingLoad.tint = urlTint;
  showPicture(L"UrlScr", 0, below + 16, 0x21, true);  // 16 rows under "LoadScr"
  present();
  backBuffer.clearColour = savedClear;
}

void previewOrigin(int hostWidth, int hostHeight, int& x, int& y) {
  // The fixed size, not the picture's own: halvings truncate toward zero.
  x = (hostWidth - previewPictureWidth) / 2;
  y = (hostHeight - previewPictureHeight) / 2;
}

void seaPreviewPainter() {
  AcquireGdiplus();
  const Rect& host = shell.previewRect;
  platform.fillRectStock(shell.windowDC, host, BLACK_BRUSH);
  PictureData picture;
  if (LoadPicturePixels(L"PreviewScr", -1, -1, picture) && platform.drawPicture) {
    int x, y;
    previewOrigin(host.right - host.left, host.bottom - host.top, x, y);
    platform.drawPicture(shell.windowDC, picture, x, y);
  }
  ReleaseGdiplus();
}
