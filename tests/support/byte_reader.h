// Fuzzer bytes read in order, shared by the fuzz targets and the unit tests that
// feed them random bytes to get the same kinds of input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Reads the fuzzer's bytes in order; past the end every byte reads as 0.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
  std::uint32_t u32() { return u16() | static_cast<std::uint32_t>(u16()) << 16; }

 private:
  const std::uint8_t* data_;
  std::size_t size_, at_ = 0;
};

// A view of 1 .. 8192 pixels a side from 2 + 2 bytes, the height then cut so the
// view holds at most 2^18 pixels (1 MiB), which keeps one run fast. Of each 16 bits
// the low 13 give the size and the top 3 a right shift of 0 .. 14 bits, so that
// small views, which run fast, come often and every size can still be reached.
struct ViewSize {
  int width, height;
};
inline ViewSize viewSize(Bytes& in) {
  const auto side = [](std::uint16_t bits) { return 1 + ((bits & 8191) >> (bits >> 13) * 2); };
  ViewSize v{side(in.u16()), side(in.u16())};
  if (v.width * v.height > (1 << 18)) v.height = (1 << 18) / v.width;
  return v;
}

}  // namespace fuzz
