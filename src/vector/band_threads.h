// Drawing a frame's rows in bands, one band per drawing thread, and running other
// work of the frame on the same threads.
//
// The caller prepares what every band reads (sampled outlines, colours) first; each
// thread then draws its band of rows with its own drawing state (drawing_state.h),
// its fills limited to the band (setFillBand), and the frame is whole once
// drawInBands returns. Every row comes out as one thread draws it.
#pragma once

// The most threads that draw a frame's bands.
constexpr int maxDrawingThreads = 16;

// The threads that draw the bands from now on, clamped to 1 .. maxDrawingThreads;
// always 1 where the drawing state is shared. Returns the count set. Workers start
// at the first drawInBands that needs them.
int setDrawingThreads(int count);
int drawingThreads();  // the count set

// Calls draw(top, bottom) for bands of rows that cover rows 0 .. height - 1, one per
// thread, the caller drawing the first; returns once every band is drawn. With one
// thread: draw(0, height) on the caller, its fills not limited.
void drawInBands(void (*draw)(int top, int bottom), int height);

// Calls work(index, count) once on each drawing thread at once, count being their
// number and the caller's index 0; returns once every call is done. For work that
// splits by index (samples, layers) rather than by rows.
void runOnDrawingThreads(void (*work)(int index, int count));

// Ends the workers, each freeing its drawing buffers first. Call it from the thread
// that draws, or once that one is done, before the program ends.
void stopDrawingThreads();
