// The pixel and run routines that draw the polygon rasterizer's coverage runs,
// one pair per mode. A run of one pixel goes to the pixel routine, which weights
// the colour by coverage; longer runs hand the weighted colour to a span kernel.

#include <cstdint>

#include "blend/coverage_pixels.h"
#include "blend/dispatch.h"
#include "blend/kernels.h"

namespace {

// A run at full weight fills plainly with `plain`; otherwise the Alpha span with
// the weight in the colour's alpha byte.
void plainOrWeighted(SpanKernel plain, Color* p, Color colour, int count, int weight) {
  if (weight == 255) {
    plain(p, colour, count);
  } else {
    activeKernels->span[BLEND_ALPHA](p, px::withAlpha(colour, weight), count);
  }
}

// Copy: the coverage is the weight.
void copyRun(Color* p, Color colour, int count, int coverage) {
  plainOrWeighted(activeKernels->span[BLEND_COPY], p, colour, count, coverage);
}

// Alpha: the weight divides by 255 here (not a shift), so a full-coverage opaque
// run fills plainly.
void alphaRun(Color* p, Color colour, int count, int coverage) {
  const int weight = coverage * px::alphaOf(colour) / 255;
  plainOrWeighted(activeKernels->span[BLEND_COPY], p, colour, count, weight);
}

// Copy past the caches, for fills over pixels nothing reads again soon.
void streamedCopyRun(Color* p, Color colour, int count, int coverage) {
  plainOrWeighted(activeKernels->streamedCopy, p, colour, count, coverage);
}

void addRun(Color* p, Color colour, int count, int coverage) {
  activeKernels->span[BLEND_ADD](p, px::scaledByCoverage(colour, coverage), count);
}

void subtractRun(Color* p, Color colour, int count, int coverage) {
  activeKernels->span[BLEND_SUBTRACT](p, px::scaledByCoverage(colour, coverage), count);
}

void multiplyRun(Color* p, Color colour, int count, int coverage) {
  activeKernels->span[BLEND_MULTIPLY](p, px::fadedToWhite(colour, coverage), count);
}

void screenRun(Color* p, Color colour, int count, int coverage) {
  activeKernels->span[BLEND_SCREEN](p, px::scaledByCoverage(colour, coverage), count);
}

}  // namespace

DRAWING_STATE CoverageRoutines coverageRoutines = {coverPixel<px::coverCopy>, copyRun, BLEND_COPY};

CoverageRunRoutine streamedRun(CoverageRunRoutine run) {
  return run == copyRun ? streamedCopyRun : run;
}

void installDefaultCoverageRoutines() {
  coverageRoutines.pixel = coverPixel<px::coverCopy>;
  coverageRoutines.run = copyRun;
  coverageRoutines.mode = BLEND_COPY;
}

void select_coverage_mode(int mode) {
  if (coverageRoutines.mode == mode) return;
  coverageRoutines.mode = mode;
  switch (mode) {
    case BLEND_ALPHA:
      coverageRoutines.pixel = coverPixel<px::coverAlpha>;
      coverageRoutines.run = alphaRun;
      break;
    case BLEND_ADD:
      coverageRoutines.pixel = coverPixel<px::coverAdd>;
      coverageRoutines.run = addRun;
      break;
    case BLEND_SUBTRACT:
      coverageRoutines.pixel = coverPixel<px::coverSubtract>;
      coverageRoutines.run = subtractRun;
      break;
    case BLEND_MULTIPLY:
      coverageRoutines.pixel = coverPixel<px::coverMultiply>;
      coverageRoutines.run = multiplyRun;
      break;
    case BLEND_SCREEN:
      coverageRoutines.pixel = coverPixel<px::coverScreen>;
      coverageRoutines.run = screenRun;
      break;
    default:
      coverageRoutines.pixel = coverPixel<px::coverCopy>;
      coverageRoutines.run = copyRun;
      break;
  }
}
