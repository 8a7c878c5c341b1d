// Integer helpers the two fills share: the monotone fill must step exactly as the
// rasterizer's edge walk does, so both take them from here.
#pragma once

#include <cstdint>

// Wrap-around sums: only absurd outlines (many thousands of edges through one
// pixel) get near the limits of 32 bits, and they must not be undefined.
constexpr std::int32_t wrap_add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// Floor division: quotient rounded toward -inf and a remainder 0 <= rem < divisor.
// The edge walk carries the remainder from cell to cell, so it must not go negative.
// 32-bit where the operands allow: a 64-bit division costs several times more.
template <typename T>
struct FloorDiv {
  T quotient, remainder;
};
template <typename T>
constexpr FloorDiv<T> floor_div(T dividend, T divisor) {
  const T q = dividend / divisor, r = dividend % divisor;
  const T borrow = r < 0 ? 1 : 0;  // a flag, not a branch: either sign is as likely
  return {q - borrow, r + (divisor & -borrow)};
}
