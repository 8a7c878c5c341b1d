// Aligned memory blocks and the grow-only buffer of the drawing code.
#pragma once

#include <atomic>

#include <cstddef>

#include "blend/drawing_state.h"

// size bytes aligned to `alignment`; fill 0 leaves them undefined, 255 sets 0xFF,
// any other value zeroes. On exhaustion shows "Out of memory" and closes the run.
void* allocAligned(std::size_t size, std::size_t alignment, int fill);
void freeAligned(void* block);                    // null is fine
std::size_t alignedBlockSize(const void* block);  // size of the raw block, 0 for null

// Plain block of at least `size` bytes in steps of `granularity`; keeps the first
// `capacity` bytes (0: the block's whole allocated size). size 0 returns the block.
void* growBuffer(void* block, std::size_t size, std::size_t granularity, std::size_t capacity);
extern DRAWING_STATE std::size_t lastGrowSize;  // the thread's last new block's size, 0 when none
void freeGrownBuffer(void* block);              // frees a block made by growBuffer; null is fine

// The "Out of memory" box ("Process Runtime Error"), then a close request.
void reportOutOfMemory();
// How many times the box was shown; the start-up reads it to end a run whose
// registration could not allocate, since no window exists yet to close.
extern std::atomic<long> outOfMemoryReports;

// ---- fault injection (tests) ----
// Makes the nth allocation of allocAligned and growBuffer from now fail as if memory
// had run out (1: the next one); 0 switches it off. Returns how many allocations
// were made since the previous call, so a test can count the sites a run reaches.
long failAllocationAt(long nth);
