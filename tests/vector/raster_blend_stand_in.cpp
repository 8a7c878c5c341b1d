// Until the blend kernels are built, the coverage routine pair is defined here so
// that the rasterizer tests link. Weak: the real definitions win once they exist.
// The tests install their own recording routines either way.

#include "blend/dispatch.h"

__attribute__((weak)) CoverageRoutines coverageRoutines = {nullptr, nullptr, 1};

__attribute__((weak)) void select_coverage_mode(int mode) { coverageRoutines.mode = mode; }
