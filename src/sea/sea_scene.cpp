// The sea scene: set-up, the frame, the colour schemes and the keys.
//
// The key handler runs on the main thread and the frame loop on the process
// thread; they share single 32-bit words without a lock, so a change takes
// effect wherever the frame happens to be.

#include "sea/sea_scene.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "blend/dispatch.h"
#include "input/input_state.h"
#include "noise/noise.h"
#include "noise/random.h"
#include "platform/platform.h"
#include "sea/help_panel.h"
#include "sea/scene_start.h"
#include "sea/splash.h"
#include "sea/waves.h"
#include "shell/pacing.h"
#include "shell/shell.h"
#include "surface/surface.h"
#include "vector/band_threads.h"
#include "vector/fills.h"
#include "vector/path.h"
#include "vector/shapes.h"

SharedWord<int> schemeIndex = 1;
SharedWord<int> helpFrames = 0;
SharedWord<int> exitRequested = 0;
int redrawWholeFrames = 0;
SceneStart sceneStart;

namespace {

SharedWord<int> schemeChanges = 0;  // twice the nextScheme calls begun

// What the frame drawn last was drawn with, which the view and the window still
// hold: enough to tell what the next one changes. Anything not recorded here that
// changes makes the whole view change.
struct ShownFrame {
  int valid = 0;
  int width = 0, height = 0;
  std::uint32_t serial = 0;  // the back buffer's, so a new surface or view is seen
  int scheme = 0;            // schemeChanges when it was drawn
  int help = 0;
  float discX = 0.0f, discRadius = 0.0f;
  float wavesTop = 0.0f;
  NearestCover cover;
};
ShownFrame shown;

constexpr int discBands = 6;  // row bands of the disc's arcs above the waves

// The record of a frame drawn with the scheme counted `scheme` throughout and the
// disc at `drawnDiscX`, once its layers are sampled.
ShownFrame frameRecord(int scheme, float drawnDiscX) {
  const BackBuffer& b = backBuffer;
  ShownFrame now;
  now.valid = scheme % 2 == 0;  // odd: the colours were changing
  now.width = b.viewWidth;
  now.height = b.viewHeight;
  now.serial = b.serial;
  now.scheme = scheme;
  now.discX = drawnDiscX;
  now.discRadius = discRadius;
  now.wavesTop = wavesTop;
  now.cover = nearestLayerCover();
  return now;
}

// Marks what differs between the frame `last` and the frame `now` (markChanged),
// and gives the row from which only the first column changes; or marks nothing and
// gives -1 when the whole view changes. The sky is one colour every frame and the
// disc's inside another, so above the waves only pixels near the two circles' edges
// change.
int markChangesSince(const ShownFrame& last, const ShownFrame& now) {
  if (!last.valid || !now.valid || last.width != now.width || last.height != now.height ||
      last.serial != now.serial || last.scheme != now.scheme || last.help ||
      last.discRadius != now.discRadius) {
    return -1;
  }
  beginChangedRects();
  const BackBuffer& b = backBuffer;
  // The waves: every row from two above the higher crest of the two frames, but
  // for the rows both frames paint whole in the nearest layer's colour, where only
  // the first column can change.
  const double crest = std::min(last.wavesTop, now.wavesTop) - 2.0;
  const int waveRow =
      crest > 0.0 ? (crest < b.viewHeight ? static_cast<int>(crest) : b.viewHeight) : 0;
  const int coverRow =
      last.cover.fill == now.cover.fill
          ? std::clamp(std::max(last.cover.from, now.cover.from), waveRow, b.viewHeight)
          : b.viewHeight;
  if (coverRow > waveRow) markChanged(0, waveRow, b.viewMaxX, coverRow - 1);
  if (coverRow < b.viewHeight) markChanged(0, coverRow, 0, b.viewMaxY);
  // The disc's arcs in bands of rows above them: in rows ya..yb (two rows wider
  // for the edge's soft pixels) a circle's edge lies between its narrowest and
  // widest half-width there, on either side of the centre.
  const double r = now.discRadius, cy = b.viewHeight * 0.6;
  const double left = std::min(last.discX, now.discX), right = std::max(last.discX, now.discX);
  const int discRow = std::max(static_cast<int>(cy - r) - 2, 0);
  if (!(std::fabs(left) < 1e7 && std::fabs(right) < 1e7 && r < 1e7)) {
    markChanged(0, 0, b.viewMaxX, waveRow);
    return coverRow;
  }
  const int rows = waveRow - discRow;
  for (int band = 0; band < discBands && rows > 0; ++band) {
    const int ya = discRow + rows * band / discBands;
    const int yb = discRow + rows * (band + 1) / discBands - 1;
    if (yb < ya) continue;
    const double top = ya - 2.0 - cy, bottom = yb + 3.0 - cy;
    const double nearest =
        top <= 0.0 && bottom >= 0.0 ? 0.0 : std::min(std::fabs(top), std::fabs(bottom));
    const double farthest = std::max(std::fabs(top), std::fabs(bottom));
    const double widest = std::sqrt(std::max(r * r - nearest * nearest, 0.0));
    const double narrowest = std::sqrt(std::max(r * r - farthest * farthest, 0.0));
    if (nearest >= r + 2.0) continue;  // the band misses both circles
    const int leftArcEnd = static_cast<int>(right - narrowest) + 2;
    const int rightArcStart = static_cast<int>(left + narrowest) - 2;
    const int from = static_cast<int>(std::floor(left - widest)) - 2;
    const int to = static_cast<int>(right + widest) + 2;
    if (leftArcEnd + 1 >= rightArcStart) {
      markChanged(from, ya, to, yb);
    } else {
      markChanged(from, ya, leftArcEnd, yb);
      markChanged(rightArcStart, ya, to, yb);
    }
  }
  return coverRow;
}

}  // namespace

void resetScene() {
  schemeIndex = 1;
  helpFrames = 0;
  helpDrawn = 0;
  exitRequested = 0;
  shown = ShownFrame{};
  waveForce = 1.5f;
  waveDirection = -1.0f;
  wavePhase = 347.347f;
  whiteHorses = 1;
  layerCount = 19;
  foamWhite = 0xFFFFFFFF;
}

void nextScheme() {
  const int next = (schemeIndex + 1) & 3;
  // Odd while the colours change, so a frame can tell it saw one scheme throughout.
  schemeChanges = schemeChanges + 1;
  schemeIndex = next;
  deepColour = schemeColours[next][0];
  lightColour = schemeColours[next][1];
  schemeChanges = schemeChanges + 1;
}

void initScene() {
  initPacing(-1, nullptr);
  backBuffer.pacingEnabled = 1;
  RandomSeed = 0xFFFFFFFFu;
  RandomSeed = platform.timeGetTime() & 0x7FFF;
  createBackBuffer();
  platform.bringToTop(shell.mainWindow);
  waitForSplash();
  createHelpFont();
  // The start asked for, before the keys can change it; nextScheme installs the
  // scheme after the one set here.
  waveForce = sceneStart.force;
  whiteHorses = sceneStart.foam;
  waveDirection = sceneStart.direction;
  schemeIndex = (sceneStart.scheme + 3) & 3;
  userCallbacks.onKeyUp = seaKeyHandler;
  nextScheme();
  discX = static_cast<float>(backBuffer.viewWidth * 0.75);
  discRadius = static_cast<float>(backBuffer.viewHeight / 2);
  init2D(noiseGrid, 50, 50, 100.0f);
  resetInput();
}

namespace {

// The sky in columns x0..x1 of rows top .. bottom - 1, leaving out the rows the
// waves will paint over, but for the first column, which the waves' left edge only
// half covers.
void drawSkyColumns(int x0, int x1, int hiddenFrom, int top, int bottom) {
  const Color sky = lerpColor(deepColour, lightColour, 235);
  const int last = std::min(bottom - 1, backBuffer.viewMaxY);
  fill_rect(x0, top, x1, std::min(hiddenFrom - 1, last), sky, BLEND_COPY);
  if (x0 <= 0) fill_rect(0, std::max(hiddenFrom, top), 0, last, sky, BLEND_COPY);
}

}  // namespace

void drawSky(int hiddenFrom, int top, int bottom) {
  drawSkyColumns(0, backBuffer.viewMaxX, hiddenFrom, top, bottom);
}

// Nothing reads the disc again this frame, and on large views the sky beneath it
// went past the caches: its inside goes past them too rather than fetch those lines
// back (3840x2160: 7.1-7.3 -> 6.3-6.4 ms a frame). Drawn inside a clip, it lies on
// sky just written in short pieces of rows, which stay in the caches.
void drawDisc(float x, int hiddenFrom) {
  setFillRows(0, hiddenFrom, 1);
  setFillStreamed(cellRasterizer.clipCount == 0);
  fillCircle(x, static_cast<float>(backBuffer.viewHeight * 0.6), discRadius,
             lerpColor(deepColour, lightColour, 255), BLEND_COPY);
  setFillStreamed(0);
  clearFillRows();
}

namespace {

// What every band of the frame draws from, set before the bands start.
struct BandFrame {
  int hidden = 0;      // wavesHideFrom
  float discX = 0.0f;  // the disc as shown, before the waves moved it on
  int keptFrom = -1;   // -1: the whole view is drawn; else see drawBand
};
BandFrame bandFrame;

// Where the view still holds the frame drawn last, only what changed is drawn
// again, inside the back buffer's changed rectangles: the sky, so that the edges of
// the disc and the waves that lie there blend over fresh sky; the disc; and the
// layers but for the rows from keptFrom, which the nearest one paints whole in both
// frames.
void drawBand(int top, int bottom) {
  const BackBuffer& b = backBuffer;
  if (bandFrame.keptFrom < 0) {
    drawSky(bandFrame.hidden, top, bottom);
    drawDisc(bandFrame.discX, bandFrame.hidden);
  } else {
    for (int i = 0; i < b.changedCount; ++i) {
      const Rect& r = b.changedRects[i];
      drawSkyColumns(r.left, r.right - 1, bandFrame.hidden, std::max(top, r.top),
                     std::min(bottom, r.bottom));
    }
    if (b.changedCount > 0) {  // none: a clip of no rectangles would clip nothing
      setFillClip(b.changedRects, b.changedCount);
      drawDisc(bandFrame.discX, bandFrame.hidden);
      clearFillClip();
    }
  }
  drawSampledWaveLayers(top, bottom, bandFrame.keptFrom < 0 ? INT_MAX : bandFrame.keptFrom);
}

// The frame after sampleWaveLayers, in bands of rows on the drawing threads.
void drawSampledScene(float shownDiscX, int keptFrom) {
  bandFrame = {wavesHideFrom(), shownDiscX, keptFrom};
  drawInBands(drawBand, backBuffer.viewHeight);
}

}  // namespace

void drawScene() {
  const float shownDiscX = discX;  // the waves move it on
  sampleWaveLayers();
  drawSampledScene(shownDiscX, -1);
}

void drawFrame() {
  const int scheme = schemeChanges;
  const float drawnDiscX = discX;  // the waves move it on
  sampleWaveLayers();
  ShownFrame now = frameRecord(scheme, drawnDiscX);
  const int keptFrom = redrawWholeFrames ? -1 : markChangesSince(shown, now);
  drawSampledScene(drawnDiscX, backBuffer.changedCount < 0 ? -1 : keptFrom);
  drawHelpPanel();
  // A scheme that changed mid-frame may have mixed two schemes' colours.
  now.valid = now.valid && scheme == schemeChanges;
  now.help = helpDrawn;
  shown = now;
  if (!now.valid || now.help) backBuffer.changedCount = -1;  // shown whole
  present();
  restoreHelpBackground();
}

void seaProcess() {
  initScene();
  // Without a surface there is nothing to draw on; wait for Esc like a frame would.
  while (!exitRequested) {
    if (backBuffer.pixels) {
      drawFrame();
    } else {
      platform.sleep(33);
    }
  }
  stopDrawingThreads();
  releaseHelpFont();
  shutdownDrawing();
}

void seaKeyHandler() {
  const volatile int* released = input.keyReleased;
  if (released[VK_SPACE]) whiteHorses = 1 - whiteHorses;
  if (released[VK_UP]) {
    float force = static_cast<float>(waveForce + 0.25);
    if (force > 3.0f) force = 3.0f;
    waveForce = force;
  }
  if (released[VK_DOWN]) {
    float force = static_cast<float>(waveForce - 0.25);
    if (force < 1.0f) force = 1.0f;
    waveForce = force;
  }
  if (released[VK_RETURN]) nextScheme();
  if (released[VK_LEFT]) waveDirection = 1.0f;
  if (released[VK_RIGHT]) waveDirection = -1.0f;
  if (released[VK_F1]) helpFrames = helpFrames != 0 ? 0 : 250;
  // Only ever set: a key released after Esc, before the frame loop looks, must not
  // take the exit back.
  if (released[VK_ESCAPE]) exitRequested = 1;
  resetInput();
}

void registerSea() {
  resetScene();
  shellConfig.title = L"Tarn : Brinemere";
  backBuffer.clearColour = 0xFF000000;
  setScreenSize(7777777, 1024);
  userCallbacks.process = seaProcess;
  shellConfig.helpText = L"\nExit - key Esc  \n\nHelp - key F1  \n\n";
  shellConfig.helpCaption = L"    Quillmark";
  shellConfig.previewText = L"Q u i l l m a r k";
  shellConfig.previewPainter = seaPreviewPainter;
  splashPainter = seaSplashPainter;
}
