// The clipboard: a block of pixels as a device-independent bitmap (CF_DIB) and
// 8-bit text (CF_TEXT). The platform opens the clipboard for one call only.
//
//   offset 0   header size 40, width, height (positive: bottom row first),
//          12  planes 1, 32 bits, no compression, image size, 3780 x 3780 per metre,
//          32  no palette
//          40  rows as the caller supplies them, width x 4 bytes each

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "io/io.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t dibHeaderSize = 40;

void put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

int clipboard_put_image(const void* firstRow, int width, int height, std::intptr_t rowStep) {
  if (!firstRow || width < 1 || height < 1 || width > pictureSideLimit ||
      height > pictureSideLimit || static_cast<long long>(width) * height > picturePixelLimit) {
    return 0;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  const std::size_t imageBytes = rowBytes * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> dib;
  try {
    dib.resize(dibHeaderSize + imageBytes);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  std::uint8_t* h = dib.data();
  put32(h + 0, dibHeaderSize);
  put32(h + 4, static_cast<std::uint32_t>(width));
  put32(h + 8, static_cast<std::uint32_t>(height));
  h[12] = 1;   // planes
  h[14] = 32;  // bits per pixel
  put32(h + 20, static_cast<std::uint32_t>(imageBytes));
  put32(h + 24, 3780);
  put32(h + 28, 3780);
  // The step counts whole pixels: rounded toward zero to a multiple of 4 bytes.
  const std::intptr_t step = rowStep / 4 * 4;
  const auto* source = static_cast<const std::uint8_t*>(firstRow);
  for (int y = 0; y < height; ++y) {
    std::memcpy(h + dibHeaderSize + rowBytes * static_cast<std::size_t>(y),
                source + step * static_cast<std::intptr_t>(y), rowBytes);
  }
  return platform.clipboardSet(CF_DIB, dib.data(), dib.size());
}

int clipboard_put_text(const char* text) {
  if (!text) return 0;
  return platform.clipboardSet(CF_TEXT, text, *text ? std::strlen(text) + 1 : 0);
}

char* clipboard_get_text() {
  std::vector<std::uint8_t> data;
  try {
    if (!platform.clipboardGet(CF_TEXT, data)) return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  // Up to the first zero, whatever the holder put after it.
  const void* zero = std::memchr(data.data(), 0, data.size());
  const std::size_t length =
      zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - data.data())
           : data.size();
  auto* text = static_cast<char*>(std::malloc(length + 1));
  if (!text) return nullptr;
  std::memcpy(text, data.data(), length);
  text[length] = 0;
  return text;
}

void clipboard_free_text(char* text) { std::free(text); }
