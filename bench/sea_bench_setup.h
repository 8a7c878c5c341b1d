// The sea scene as initScene leaves it on the back buffer's view, with a fixed
// seed: shared by the frame benchmarks and the Windows frame probe.
#pragma once

#include "noise/noise.h"
#include "noise/random.h"
#include "sea/sea_scene.h"
#include "sea/waves.h"
#include "surface/surface.h"

inline void setUpSeaBenchScene() {
  resetScene();
  RandomSeed = 4242u;
  init2D(noiseGrid, 50, 50, 100.0f);
  nextScheme();
  discX = static_cast<float>(backBuffer.viewWidth * 0.75);
  discRadius = static_cast<float>(backBuffer.viewHeight / 2);
}
