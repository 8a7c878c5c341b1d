// One anti-aliased edge pixel, weighted by coverage in the way of one mode; shared
// by the polygon coverage routines and the disc routines.
#pragma once

#include "blend/formulas.h"

using CoverFormula = Color (*)(Color d, Color s, int coverage);

template <CoverFormula F>
void coverPixel(Color* p, Color colour, int coverage) {
  *p = F(*p, colour, coverage);
}
