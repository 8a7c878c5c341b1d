// What the processor offers (cpuid) and how many logical processors the system has.

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "io/io.h"
#include "platform/platform.h"

CpuInfo cpuInfo;

CpuInfo cpu_features(std::uint32_t standardEdx, std::uint32_t maxExtendedLeaf,
                     std::uint32_t extendedEdx) {
  CpuInfo info{};
  info.mmx = standardEdx >> 23 & 1;
  info.sse = (standardEdx >> 25 & 1) && (standardEdx >> 24 & 1);
  info.sse2 = info.sse && (standardEdx >> 26 & 1);
  info.amd3dNow = maxExtendedLeaf >= 0x80000001u && info.mmx && (extendedEdx >> 31 & 1);
  return info;
}

void detect_cpu() {
  unsigned standardEdx = 0, extendedEdx = 0, maxExtended = 0;
#if defined(__i386__) || defined(__x86_64__)
  unsigned a = 0, b = 0, c = 0;
  __get_cpuid(1, &a, &b, &c, &standardEdx);
  maxExtended = __get_cpuid_max(0x80000000u, nullptr);
  if (maxExtended >= 0x80000001u) __get_cpuid(0x80000001u, &a, &b, &c, &extendedEdx);
#endif
  // Other processors have none of the x86 features to report.
  cpuInfo = cpu_features(standardEdx, maxExtended, extendedEdx);
  cpuInfo.processors = platform.processorCount();
}
