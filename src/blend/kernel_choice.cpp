// Picks the widest kernel set this CPU runs. Every set gives the same bytes, so a
// call made before the choice (during static start-up) is merely slower.

#include "blend/kernels.h"

const BlendKernels* activeKernels = &scalarKernels;

namespace {

const BlendKernels* widestKernels() {
  if (const BlendKernels* k = avx2KernelSet()) return k;
  if (const BlendKernels* k = sse2KernelSet()) return k;
  return &scalarKernels;
}

const bool kernelsChosen = (activeKernels = widestKernels(), true);

}  // namespace
