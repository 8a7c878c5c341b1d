#include "image/row_delay.h"

#include <algorithm>
#include <cstring>

#include "surface/surface.h"

RowDelay::RowDelay(int n) {
  slots = std::clamp(n, 1, rowDelayLimit);
  width = std::max(backBuffer.viewWidth, 0);
  buffers.assign(static_cast<std::size_t>(slots) * width, 0u);
  destinations.assign(static_cast<std::size_t>(slots), nullptr);
  last = slots - 1;
}

Color* RowDelay::Next(Color* destination) {
  if (slots == 0) return nullptr;
  const int slot = (last + 1) % slots;
  Color* buffer = buffers.data() + static_cast<std::size_t>(slot) * width;
  if (destinations[slot]) std::memcpy(destinations[slot], buffer, width * sizeof(Color));
  destinations[slot] = destination;
  last = slot;
  return buffer;
}

void RowDelay::Flush() {
  for (int i = 1; i <= slots; ++i) {
    const int slot = (last + i) % slots;
    if (destinations[slot]) {
      std::memcpy(destinations[slot], buffers.data() + static_cast<std::size_t>(slot) * width,
                  width * sizeof(Color));
      destinations[slot] = nullptr;
    }
  }
  last = slots - 1;
}

void RowDelay::Free() {
  buffers.clear();
  buffers.shrink_to_fit();
  destinations.clear();
  slots = width = 0;
  last = 0;
}
