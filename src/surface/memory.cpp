// Aligned memory blocks and the grow-only buffer.
//
// An aligned block keeps a small header just below the address it hands out: the
// raw allocation and its size, so freeAligned and alignedBlockSize need nothing
// from the C library beyond malloc and free.
//
//   raw                      aligned (multiple of alignment)
//   |  slack  | raw | size  | size bytes ...
//             '-- header --'

#include "surface/memory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "shell/shell.h"

DRAWING_STATE std::size_t lastGrowSize = 0;

namespace {

struct AlignedHeader {
  void* raw;
  std::size_t rawSize;
};

struct GrowHeader {
  std::size_t size;
  std::size_t pad;  // keeps the block 16-byte aligned like malloc's
};

std::atomic<long> allocationsMade{0};
std::atomic<long> failingAllocation{0};

// The general allocator, with the failure a test asked for.
void* allocate(std::size_t size) {
  const long made = allocationsMade.fetch_add(1) + 1;
  if (made == failingAllocation.load()) return nullptr;
  return std::malloc(size);
}

}  // namespace

std::atomic<long> outOfMemoryReports{0};

void reportOutOfMemory() {
  outOfMemoryReports.fetch_add(1);
  platform.messageBox(shell.mainWindow, L"Out of memory", L"Process Runtime Error", MB_ICONERROR);
  platform.sendMessage(shell.mainWindow, WM_CLOSE, 0, 0);
}

void* allocAligned(std::size_t size, std::size_t alignment, int fill) {
  if (alignment < 1) alignment = 1;
  const std::size_t header = sizeof(AlignedHeader);
  if (size > SIZE_MAX - alignment - header) {
    reportOutOfMemory();
    return nullptr;
  }
  const std::size_t rawSize = size + alignment + header;
  void* raw = allocate(rawSize);
  if (!raw) {
    reportOutOfMemory();
    return nullptr;
  }
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
  // Strictly above start + header, and at most start + header + alignment.
  const std::uintptr_t address = ((start + header) / alignment + 1) * alignment;
  // memcpy: with a small alignment the header need not be aligned itself.
  const AlignedHeader h{raw, rawSize};
  std::memcpy(reinterpret_cast<void*>(address - header), &h, header);
  void* block = reinterpret_cast<void*>(address);
  if (fill == 255) {
    std::memset(block, 0xFF, size);
  } else if (fill != 0) {
    std::memset(block, 0, size);
  }
  return block;
}

void freeAligned(void* block) {
  if (!block) return;
  std::uint8_t* at = static_cast<std::uint8_t*>(block) - sizeof(AlignedHeader);
  AlignedHeader h;
  std::memcpy(&h, at, sizeof h);
  if (!h.raw) return;
  std::free(h.raw);
}

std::size_t alignedBlockSize(const void* block) {
  if (!block) return 0;
  AlignedHeader h;
  std::memcpy(&h, static_cast<const std::uint8_t*>(block) - sizeof(AlignedHeader), sizeof h);
  return h.rawSize;
}

void* growBuffer(void* block, std::size_t size, std::size_t granularity, std::size_t capacity) {
  lastGrowSize = 0;
  if (size == 0) return block;
  if (granularity < 1) granularity = 1;
  GrowHeader* old = block ? static_cast<GrowHeader*>(block) - 1 : nullptr;
  if (old) {
    const std::size_t have = capacity ? capacity : old->size;
    if (have >= size) return block;
  }
  if (size / granularity + 1 > (SIZE_MAX - sizeof(GrowHeader)) / granularity) {
    reportOutOfMemory();
    return nullptr;
  }
  const std::size_t newSize = (size / granularity + 1) * granularity;
  GrowHeader* fresh = static_cast<GrowHeader*>(allocate(newSize + sizeof(GrowHeader)));
  if (!fresh) {
    reportOutOfMemory();
    return nullptr;
  }
  fresh->size = newSize;
  if (old) {
    std::size_t keep = capacity ? capacity : old->size;
    if (keep > old->size) keep = old->size;
    std::memcpy(fresh + 1, old + 1, keep);
    std::free(old);
  }
  lastGrowSize = newSize;
  return fresh + 1;
}

void freeGrownBuffer(void* block) {
  if (block) std::free(static_cast<GrowHeader*>(block) - 1);
}

long failAllocationAt(long nth) {
  const long made = allocationsMade.exchange(0);
  failingAllocation = nth;
  return made;
}
