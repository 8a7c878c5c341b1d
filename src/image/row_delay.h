// A ring of deferred row copies: the caller fills a row buffer now and names where
// it goes; the row is written there n calls later (or at Flush), so a frame can
// read rows that it is about to overwrite.
#pragma once

#include <vector>

#include "blend/color.h"

constexpr int rowDelayLimit = 1024;  // slots at most

class RowDelay {
 public:
  int slots = 0;                     // n, kept within 1 .. 1024 (0 after Free)
  int width = 0;                     // pixels per buffer: the view width when made
  std::vector<Color> buffers;        // slots x width
  std::vector<Color*> destinations;  // null = nothing pending
  int last = 0;

  explicit RowDelay(int n);
  // Writes the slot's pending row (exactly `width` pixels, any width), records the
  // destination and returns the slot's buffer; null after Free.
  Color* Next(Color* destination);
  void Flush();  // every pending row, oldest first; then nothing is pending
  void Free();
};
