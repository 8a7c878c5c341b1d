// FNV-1a: simple enough to write again anywhere a frame must be compared.

#include "app/frame_hash.h"

#include <cstdio>

std::uint64_t frameHash(const std::uint32_t* pixels, std::size_t count) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < count; ++i) {
    for (int b = 0; b < 3; ++b) {
      h ^= (pixels[i] >> (8 * b)) & 0xFF;
      h *= 1099511628211ull;
    }
  }
  return h;
}

std::string hashText(std::uint64_t hash) {
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}
