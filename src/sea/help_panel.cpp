// The help panel. The panel is 230 x 172 pixels, centred (one pixel larger per odd
// side of the view); under it the scene is multiplied by 0x32 / 256, about a fifth,
// and the text is added on top, so grey ink reads bright on the darkened sea.

#include "sea/help_panel.h"

#include "sea/sea_scene.h"
#include "surface/saved_rects.h"
#include "surface/surface.h"
#include "vector/shapes.h"

FontSPR* helpFont = nullptr;
int helpDrawn = 0;

const char helpText[] =
    "Control Keys:\n"
    "\n"
    "Enter - Color\n"
    "Cursor Left, Right - Direction\n"
    "Cursor Up, Down - Waves Force\n"
    "Space - Off/On White Horses\n"
    ".........................................................................................\n"
    "F1 - hide/show Help\n"
    "Esc - Exit";

namespace {

constexpr int panelWidth = 230, panelHeight = 172;
constexpr float panelRadius = 20.0f;
constexpr Color panelShade = 0xFF323232;
// Add mode, the block centred on the view both ways, lines aligned left.
constexpr int textFlags = BLEND_ADD | anchorCentreX | anchorCentreY;

}  // namespace

void createHelpFont() {
  // A run stopped from outside never reached its release; a later run must not
  // leak the font it left.
  releaseHelpFont();
  helpFont = new FontSPR(L"TYPE_EN_RU", nullptr);
  helpFont->lineGap = 4;
}

void drawHelpPanel() {
  // One read: an F1 between a test and a second read would make the count -1, and
  // the panel would then stay for good. An F1 that lands before the store below is
  // overwritten by it.
  const int frames = helpFrames;
  if (frames <= 0) return;
  helpFrames = frames - 1;
  helpDrawn = 1;
  const BackBuffer& b = backBuffer;
  const int x0 = (b.viewWidth - panelWidth) / 2, y0 = (b.viewHeight - panelHeight) / 2;
  const int x1 = b.viewMaxX - x0, y1 = b.viewMaxY - y0;
  pushRect(x0, y0, x1, y1);
  fillRoundRect(static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1),
                static_cast<float>(y1), panelRadius, panelShade, BLEND_MULTIPLY);
  if (helpFont) {
    helpFont->Print(0, 0, textFlags, helpText);
    helpFont->Draw();
  }
}

void restoreHelpBackground() {
  if (helpDrawn != 1) return;
  popAllRects();
  helpDrawn = 0;
}

void releaseHelpFont() {
  if (!helpFont) return;
  helpFont->Free();
  delete helpFont;
  helpFont = nullptr;
}
