// The TGA row reader on any file: a header it accepts describes rows the file
// holds, and every row comes back as its bytes with alpha 255.

#include "io/io.h"
#include "memory_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  memory_file::install();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  memory_file::hold(data, size);
  int width = -1, height = -1;
  if (!tga_begin_read(L"fuzz.tga", &width, &height)) {
    memory_file::check(width == -1 && height == -1, "a refused header set the size");
    memory_file::check(tga_read_row() == nullptr, "a row without an open file");
    return 0;
  }
  memory_file::check(width >= 1 && width <= tgaSideLimit && height >= 1 && height <= tgaSideLimit,
                     "accepted a side out of range");
  const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * 3;
  memory_file::check(18 + rowBytes * static_cast<std::uint64_t>(height) <= size,
                     "accepted rows the file does not hold");
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = tga_read_row();
    memory_file::check(row != nullptr, "a promised row is missing");
    const std::uint8_t* stored = data + 18 + rowBytes * static_cast<std::uint64_t>(y);
    for (int x = 0; x < width; ++x, stored += 3) {
      const std::uint32_t want =
          0xFF000000u | std::uint32_t{stored[2]} << 16 | std::uint32_t{stored[1]} << 8 | stored[0];
      memory_file::check(row[x] == want, "a pixel differs from its bytes");
    }
  }
  tga_end_read();
  memory_file::check(tga_read_row() == nullptr, "a row after the end");
  return 0;
}
