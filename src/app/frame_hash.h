// The hash by which runs on different targets compare their frames: FNV-1a, 64
// bits, over the blue, green and red bytes of each pixel, top row first (the alpha
// byte is not shown, so it is not compared).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::uint64_t frameHash(const std::uint32_t* pixels, std::size_t count);

// Sixteen lower-case hexadecimal digits.
std::string hashText(std::uint64_t hash);
