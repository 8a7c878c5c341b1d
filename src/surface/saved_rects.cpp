// Saved view rectangles. A push copies the clipped rectangle out of the view into the
// store behind the blocks already there; a pop draws the newest block back with the
// Copy image kernel, clipped to whatever the view is by then. Space is handed out
// only at the end of the store and reclaimed only when the stack runs empty.
//
//   store: | block 0 | block 1 | ... | block depth-1 | free ...         |
//          0                                         usedBytes     capacityBytes

#include "surface/saved_rects.h"

#include <cstring>

#include "blend/dispatch.h"
#include "surface/memory.h"
#include "surface/surface.h"

SavedRectStack savedRects;

namespace {

// Frees the store when the program ends.
struct StoreRelease {
  ~StoreRelease() { freeSavedRects(); }
};
StoreRelease storeRelease;

// Moves the store to a block of `bytes`, keeping every saved block at its offset.
bool growStore(std::uint32_t bytes) {
  SavedRectStack& s = savedRects;
  auto* fresh = static_cast<std::uint8_t*>(allocAligned(bytes, 16, 0));
  if (!fresh) return false;
  for (int i = 0; i < s.depth; ++i) {
    const std::ptrdiff_t offset = reinterpret_cast<std::uint8_t*>(s.blocks[i]) - s.store;
    s.blocks[i] = reinterpret_cast<Color*>(fresh + offset);
  }
  // Every saved block lies below usedBytes, which the push has not moved yet.
  if (s.store && s.usedBytes) std::memcpy(fresh, s.store, s.usedBytes);
  freeAligned(s.store);
  s.store = fresh;
  s.capacityBytes = bytes;
  return true;
}

}  // namespace

void initSavedRects() {
  freeSavedRects();
  savedRects = SavedRectStack{};
  savedRects.store = static_cast<std::uint8_t*>(allocAligned(savedRectStoreBytes, 16, 0));
  savedRects.capacityBytes = savedRects.store ? savedRectStoreBytes : 0;
}

void freeSavedRects() {
  freeAligned(savedRects.store);
  savedRects.store = nullptr;
  savedRects.capacityBytes = 0;
  savedRects.usedBytes = 0;
  savedRects.depth = 0;
}

int pushRect(int x1, int y1, int x2, int y2) {
  SavedRectStack& s = savedRects;
  if (s.depth >= savedRectLimit) return 0;
  const BackBuffer& b = backBuffer;
  if (x1 < 0) x1 = 0;
  if (y1 < 0) y1 = 0;
  if (x2 > b.viewMaxX) x2 = b.viewMaxX;
  if (y2 > b.viewMaxY) y2 = b.viewMaxY;
  if (x1 > x2 || y1 > y2 || !b.pixels) return 1;
  // 64-bit: a whole 32768 x 32768 view is 4 GiB, one past what the counters hold.
  const std::uint64_t bytes =
      (static_cast<std::uint64_t>(x2) - x1 + 1) * (static_cast<std::uint64_t>(y2) - y1 + 1) * 4;
  const std::uint64_t used = s.usedBytes + bytes;
  if (used + s.growthBytes > UINT32_MAX) return 0;
  if (used > s.capacityBytes && !growStore(static_cast<std::uint32_t>(used + s.growthBytes))) {
    return 0;
  }
  Color* block = reinterpret_cast<Color*>(s.store + s.usedBytes);
  s.usedBytes = static_cast<std::uint32_t>(used);
  s.rects[s.depth] = SavedRect{x1, y1, x2, y2};
  s.blocks[s.depth] = block;
  copy_rect_out(block, x1, y1, x2, y2);
  ++s.depth;
  return 1;
}

int popRects(int all) {
  SavedRectStack& s = savedRects;
  if (s.depth == 0) return 0;
  do {
    --s.depth;
    const SavedRect r = s.rects[s.depth];
    // The block's rows are the saved width; blit_image clips to the current view and
    // skips the columns and rows cut off on the left and top.
    if (backBuffer.pixels) {
      blit_image(r.x1, r.y1, r.x2, r.y2, s.blocks[s.depth], BLEND_COPY, r.x2 - r.x1 + 1);
    }
  } while (all && s.depth > 0);
  if (s.depth == 0) s.usedBytes = 0;
  return 1;
}

int popRect() { return popRects(0); }
int popAllRects() { return popRects(1); }
