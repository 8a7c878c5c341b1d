// The block clip shared by the memory backends' BitBlt (headless canvas, SDL window):
// origins moving together, trimming at both limits, nothing left, extreme arguments;
// and the canvas copy it drives (row order flipped, alpha forced opaque).

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/common/surface_memory.h"

namespace {

void expectBlock(const emu::CopyBlock& b, int sourceX, int sourceY, int x, int y, int width,
                 int height) {
  EXPECT_EQ(b.sourceX, sourceX);
  EXPECT_EQ(b.sourceY, sourceY);
  EXPECT_EQ(b.x, x);
  EXPECT_EQ(b.y, y);
  EXPECT_EQ(b.width, width);
  EXPECT_EQ(b.height, height);
}

TEST(CopyBlock, InsideBothIsUnchanged) {
  expectBlock(emu::clipCopyBlock({3, 4, 5, 6, 10, 7}, 100, 50, 80, 40), 3, 4, 5, 6, 10, 7);
}

TEST(CopyBlock, NegativeOriginsMoveBothOrigins) {
  // Source left of its edge: the target origin moves right by as much.
  expectBlock(emu::clipCopyBlock({-3, 0, 10, 0, 8, 2}, 100, 50, 80, 40), 0, 0, 13, 0, 5, 2);
  // Target above its edge: the source origin moves down by as much.
  expectBlock(emu::clipCopyBlock({0, 10, 0, -4, 2, 8}, 100, 50, 80, 40), 0, 14, 0, 0, 2, 4);
  // Both negative on one axis: the larger overhang counts.
  expectBlock(emu::clipCopyBlock({-3, 0, -5, 0, 10, 1}, 100, 50, 80, 40), 2, 0, 0, 0, 5, 1);
}

TEST(CopyBlock, TrimmedAtTheNearerLimit) {
  expectBlock(emu::clipCopyBlock({95, 0, 0, 0, 20, 1}, 100, 50, 80, 40), 95, 0, 0, 0, 5, 1);
  expectBlock(emu::clipCopyBlock({0, 0, 75, 30, 20, 20}, 100, 50, 80, 40), 0, 0, 75, 30, 5, 10);
}

TEST(CopyBlock, NothingLeftIsAnEmptyBlock) {
  const emu::CopyBlock cases[] = {{100, 0, 0, 0, 5, 5}, {0, 0, 80, 0, 5, 5}, {-5, 0, 0, 0, 5, 5},
                                  {0, 0, 0, -5, 5, 5},  {0, 0, 0, 0, 0, 5},  {0, 0, 0, 0, 5, -1},
                                  {0, 50, 0, 0, 5, 5}};
  for (const emu::CopyBlock& c : cases) {
    const emu::CopyBlock b = emu::clipCopyBlock(c, 100, 50, 80, 40);
    EXPECT_EQ(b.width, 0) << c.sourceX << ' ' << c.sourceY << ' ' << c.x << ' ' << c.y;
    EXPECT_EQ(b.height, 0);
  }
}

TEST(CopyBlock, ExtremeArgumentsStayInRange) {
  const int values[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, 7, INT_MAX - 1, INT_MAX};
  for (int a : values) {
    for (int b : values) {
      for (int size : values) {
        const emu::CopyBlock r = emu::clipCopyBlock({a, b, b, a, size, size}, 100, 50, 80, 40);
        if (r.width == 0) {
          EXPECT_EQ(r.height, 0);
          continue;
        }
        EXPECT_GE(r.sourceX, 0);
        EXPECT_GE(r.x, 0);
        EXPECT_LE(r.sourceX + r.width, 100);
        EXPECT_LE(r.x + r.width, 80);
        EXPECT_LE(r.sourceY + r.height, 50);
        EXPECT_LE(r.y + r.height, 40);
      }
    }
  }
  // From INT_MIN a block of INT_MAX ends at -1: nothing; from -10 it covers all.
  EXPECT_EQ(emu::clipCopyBlock({INT_MIN, 0, INT_MIN, 0, INT_MAX, 1}, 100, 50, 80, 40).width, 0);
  expectBlock(emu::clipCopyBlock({-10, -10, -10, -10, INT_MAX, INT_MAX}, 100, 50, 80, 40), 0, 0, 0,
              0, 80, 40);
}

TEST(CopyBlock, CanvasCopyFlipsRowsAndForcesAlpha) {
  // A 4x3 bottom-up surface whose pixel (x, y from the top) holds y * 16 + x.
  std::vector<std::uint32_t> memory(12);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) memory[static_cast<std::size_t>(2 - y) * 4 + x] = y * 16 + x;
  }
  emu::Surface surface{4, 3, reinterpret_cast<std::uint8_t*>(memory.data())};
  emu::Canvas canvas;
  canvas.resize(3, 3);
  canvas.pixels.assign(9, 0x12345678u);
  // Source (1, 1) lands at (-1, 1): one column is cut on the left, the copy of 3x5
  // is trimmed to what both hold.
  emu::copyToCanvas(surface, 1, 1, 3, 5, canvas, -1, 1);
  const std::uint32_t expected[9] = {0x12345678u, 0x12345678u, 0x12345678u,
                                     0xFF000012u, 0xFF000013u, 0x12345678u,
                                     0xFF000022u, 0xFF000023u, 0x12345678u};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(canvas.pixels[i], expected[i]) << "pixel " << i;
}

}  // namespace
