// The workers that draw bands of a frame's rows beside the caller.
//
// A small pool, started at the first frame that wants it and kept for the run: each
// frame hands every worker its band under the lock, the caller draws the first band
// itself, then waits until every worker has reported its band done. The lock orders
// what the caller prepared before the workers' reads, and the workers' pixels
// before whatever the caller does with the frame next.
//
// Rows cost unevenly (the sky is a plain fill, the waves lie over one another), and
// every band walks the outlines that reach it whole: more, thinner bands taken in
// turn cost more than they balance (eight bands at 3840x2160 took twice the time of
// two). So there is one band per thread, and the cuts between them follow the
// time each band took in the frames before: the rows are shared out anew so that,
// at the cost per row each band showed, every thread would have taken as long. A
// core that the system lends to other work meanwhile is made up for the same way.
// Where the cuts lie changes no pixel.

#include "vector/band_threads.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "blend/drawing_state.h"
#include "surface/surface.h"
#include "vector/path.h"

namespace {

using Clock = std::chrono::steady_clock;

struct BandPool {
  std::mutex lock;                   // guards the fields below up to `workers`
  std::condition_variable start;     // a frame was handed out, or the pool stops
  std::condition_variable finished;  // the last worker is done with a frame
  long frame = 0;                    // frames handed out
  int unfinished = 0;                // workers still drawing the current frame
  bool stopping = false;
  void (*draw)(int, int) = nullptr;     // the current frame's band routine
  int cuts[maxDrawingThreads + 1]{};    // band i: rows cuts[i] .. cuts[i + 1] - 1
  double seconds[maxDrawingThreads]{};  // what each band took
  // Each band's share of the rows for the next frame, adding up to 1.
  double shares[maxDrawingThreads]{};
  int threads = 1;  // the count set
  // Started and joined by the drawing thread alone (or once it is done).
  std::vector<std::thread> workers;
};
BandPool pool;

// Draws band `index` of the current frame and notes how long it took.
void draw_band(void (*draw)(int, int), int index) {
  const int top = pool.cuts[index], bottom = pool.cuts[index + 1];
  const Clock::time_point started = Clock::now();
  if (top < bottom) {
    setFillBand(top, bottom);
    draw(top, bottom);
    clearFillBand();
  }
  pool.seconds[index] = std::chrono::duration<double>(Clock::now() - started).count();
}

void work(int index) {
  long seen = 0;
  for (;;) {
    std::unique_lock<std::mutex> hold(pool.lock);
    pool.start.wait(hold, [&] { return pool.stopping || pool.frame != seen; });
    if (pool.stopping) break;
    seen = pool.frame;
    void (*const draw)(int, int) = pool.draw;
    hold.unlock();
    draw_band(draw, index);
    hold.lock();
    if (--pool.unfinished == 0) pool.finished.notify_one();
  }
  releaseDrawingBuffers();
}

// Starts count - 1 workers with the rows shared evenly; false, with none running,
// when the system refused one.
bool start_workers(int count) {
  pool.stopping = false;
  pool.frame = 0;
  for (int i = 0; i < count; ++i) pool.shares[i] = 1.0 / count;
  try {
    for (int i = 1; i < count; ++i) pool.workers.emplace_back(work, i);
  } catch (const std::system_error&) {
    stopDrawingThreads();
    return false;
  }
  return true;
}

// Cuts rows 0 .. height - 1 into the bands' shares.
void place_cuts(int count, int height) {
  double sum = 0.0;
  pool.cuts[0] = 0;
  for (int i = 0; i < count; ++i) {
    sum += pool.shares[i];
    pool.cuts[i + 1] = std::clamp(static_cast<int>(sum * height + 0.5), pool.cuts[i], height);
  }
  pool.cuts[count] = height;
}

// The shares that would have made every band take as long, at each band's cost per
// row (a band of no rows counting as free), moved halfway there: one frame's
// timing is noisy. Every band keeps a sliver, so its cost per row stays known.
void rebalance(int count, int height) {
  if (height <= 0) return;
  double total = 0.0;
  for (int i = 0; i < count; ++i) total += pool.seconds[i];
  if (!(total > 0.0)) return;
  double wanted[maxDrawingThreads];
  int band = 0;
  double before = 0.0;  // the cost of the bands before `band`
  double from = 0.0;    // where the previous new band ended, in rows
  for (int i = 0; i < count; ++i) {
    const double goal = total * (i + 1) / count;  // the cost up to the new band's end
    // The row where the cost so far reaches the goal, inside the band that holds it.
    while (band < count - 1 && before + pool.seconds[band] < goal) before += pool.seconds[band++];
    const double rows = pool.cuts[band + 1] - pool.cuts[band];
    const double inside = pool.seconds[band] > 0.0 ? (goal - before) / pool.seconds[band] : 1.0;
    const double to =
        i == count - 1 ? height : pool.cuts[band] + std::clamp(inside, 0.0, 1.0) * rows;
    wanted[i] = (to - from) / height;
    from = to;
  }
  const double sliver = 0.02 / count;
  double sum = 0.0;
  for (int i = 0; i < count; ++i) {
    pool.shares[i] = std::max(0.5 * (pool.shares[i] + wanted[i]), sliver);
    sum += pool.shares[i];
  }
  for (int i = 0; i < count; ++i) pool.shares[i] /= sum;
}

}  // namespace

int setDrawingThreads(int count) {
  const int threads = drawingStatePerThread ? std::clamp(count, 1, maxDrawingThreads) : 1;
  if (threads != pool.threads) stopDrawingThreads();
  pool.threads = threads;
  return threads;
}

int drawingThreads() { return pool.threads; }

void drawInBands(void (*draw)(int top, int bottom), int height) {
  const int count = pool.threads;
  if (count <= 1) {
    draw(0, height);
    return;
  }
  if (pool.workers.empty() && !start_workers(count)) {
    pool.threads = 1;  // drawn on one thread from now on
    draw(0, height);
    return;
  }
  {
    const std::lock_guard<std::mutex> hold(pool.lock);
    pool.draw = draw;
    place_cuts(count, height);
    pool.unfinished = count - 1;
    ++pool.frame;
  }
  pool.start.notify_all();
  draw_band(draw, 0);
  std::unique_lock<std::mutex> hold(pool.lock);
  pool.finished.wait(hold, [] { return pool.unfinished == 0; });
  rebalance(count, height);
}

void stopDrawingThreads() {
  if (pool.workers.empty()) return;
  {
    const std::lock_guard<std::mutex> hold(pool.lock);
    pool.stopping = true;
  }
  pool.start.notify_all();
  for (std::thread& worker : pool.workers) worker.join();
  pool.workers.clear();
}
