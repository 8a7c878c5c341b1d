// Where the drawing state lives: one copy per thread, or one for the process.
//
// The frame renderer draws a frame's bands of rows on several threads, each with
// its own point list, rasterizer, coverage routines and work buffers. The records
// are declared DRAWING_STATE: thread-local in the native build (an access is an
// offset from the thread pointer, and constinit spares every access the call that
// would check for a first use), plain globals on Windows and the web, which draw
// on one thread: mingw emulates thread-local storage with a call per access.
#pragma once

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
// Marks a record of the drawing state: one for the process here.
#define DRAWING_STATE constinit
// Whether each thread has its own drawing state (false: they share one).
constexpr bool drawingStatePerThread = false;
#else
// Marks a record of the drawing state: one copy per thread.
#define DRAWING_STATE constinit thread_local
// Whether each thread has its own drawing state (true: they may draw at once).
constexpr bool drawingStatePerThread = true;
#endif
