// The workers that draw beside the caller.
//
// A small pool, started at the first frame that wants it and kept for the run: a
// task is handed to every worker under the lock, the caller runs its own share,
// then waits until every worker has reported its share done. The lock orders what
// the caller prepared before the workers' reads, and the workers' writes before
// whatever the caller does next.
//
// Rows cost unevenly (the sky is a plain fill, the waves lie over one another), and
// every band walks the outlines that reach it whole: more, thinner bands taken in
// turn cost more than they balanced (eight bands at 3840x2160 took 1.6 to 2 times
// as long as two, before bands walked their own rows alone; each still builds and
// checks every outline). So there is one band per thread, and the cuts follow the
// time each band took in the frames before, counted from when the bands were handed
// out (a worker wakes a little late): the rows are shared out anew so that, at the
// cost per row each band showed, every thread would have finished together. A core
// that the system lends to other work meanwhile is made up for the same way. Where
// the cuts lie changes no pixel.

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

struct Pool {
  std::mutex lock;                   // guards the fields below up to `workers`
  std::condition_variable start;     // a task was handed out, or the pool stops
  std::condition_variable finished;  // the last worker is done with a task
  long tasks = 0;                    // tasks handed out
  int unfinished = 0;                // workers still running the current task
  bool stopping = false;
  void (*task)(int index) = nullptr;  // the current task, for thread `index`
  int threads = 1;                    // the count set
  // Started and joined by the drawing thread alone (or once it is done).
  std::vector<std::thread> workers;
};
Pool pool;

// The frame being drawn in bands: set before the bands are handed out.
struct Bands {
  void (*draw)(int, int) = nullptr;
  Clock::time_point handedOut;
  int cuts[maxDrawingThreads + 1]{};    // band i: rows cuts[i] .. cuts[i + 1] - 1
  double seconds[maxDrawingThreads]{};  // when each band was done
  double shares[maxDrawingThreads]{};   // each band's share of the rows, adding up to 1
};
Bands bands;

void (*sharedWork)(int, int) = nullptr;  // runOnDrawingThreads's routine

void work(int index) {
  long seen = 0;
  for (;;) {
    std::unique_lock<std::mutex> hold(pool.lock);
    pool.start.wait(hold, [&] { return pool.stopping || pool.tasks != seen; });
    if (pool.stopping) break;
    seen = pool.tasks;
    void (*const task)(int) = pool.task;
    hold.unlock();
    task(index);
    hold.lock();
    if (--pool.unfinished == 0) pool.finished.notify_one();
  }
  releaseDrawingBuffers();
}

// Starts the workers; false, with none running, when the system refused one.
bool start_workers(int count) {
  pool.stopping = false;
  pool.tasks = 0;
  for (int i = 0; i < count; ++i) bands.shares[i] = 1.0 / count;
  try {
    for (int i = 1; i < count; ++i) pool.workers.emplace_back(work, i);
  } catch (const std::system_error&) {
    stopDrawingThreads();
    return false;
  }
  return true;
}

// Runs task(i) on thread i of `count`, the caller's being 0, and waits for all.
// False, running nothing, when the workers could not be started.
bool run_on_all(void (*task)(int), int count) {
  if (pool.workers.empty() && !start_workers(count)) {
    pool.threads = 1;  // one thread from now on
    return false;
  }
  {
    const std::lock_guard<std::mutex> hold(pool.lock);
    pool.task = task;
    pool.unfinished = count - 1;
    ++pool.tasks;
  }
  pool.start.notify_all();
  task(0);
  std::unique_lock<std::mutex> hold(pool.lock);
  pool.finished.wait(hold, [] { return pool.unfinished == 0; });
  return true;
}

// Draws band `index` of the frame and notes when it was done.
void draw_band(int index) {
  const int top = bands.cuts[index], bottom = bands.cuts[index + 1];
  if (top < bottom) {
    setFillBand(top, bottom);
    bands.draw(top, bottom);
    clearFillBand();
  }
  bands.seconds[index] = std::chrono::duration<double>(Clock::now() - bands.handedOut).count();
}

// Cuts rows 0 .. height - 1 into the bands' shares.
void place_cuts(int count, int height) {
  double sum = 0.0;
  bands.cuts[0] = 0;
  for (int i = 0; i < count; ++i) {
    sum += bands.shares[i];
    bands.cuts[i + 1] = std::clamp(static_cast<int>(sum * height + 0.5), bands.cuts[i], height);
  }
  bands.cuts[count] = height;
}

// The shares that would have made every band end together, at each band's cost per
// row (a band of no rows counting as free), moved halfway there: one frame's
// timing is noisy. Every band keeps a sliver, so its cost per row stays known.
void rebalance(int count, int height) {
  double total = 0.0;
  for (int i = 0; i < count; ++i) total += bands.seconds[i];
  if (height <= 0 || !(total > 0.0)) return;
  double wanted[maxDrawingThreads];
  int band = 0;
  double before = 0.0;  // the cost of the bands before `band`
  double from = 0.0;    // where the previous new band ended, in rows
  for (int i = 0; i < count; ++i) {
    const double goal = total * (i + 1) / count;  // the cost up to the new band's end
    // The row where the cost so far reaches the goal, inside the band that holds it.
    while (band < count - 1 && before + bands.seconds[band] < goal) {
      before += bands.seconds[band++];
    }
    const double rows = bands.cuts[band + 1] - bands.cuts[band];
    const double inside = bands.seconds[band] > 0.0 ? (goal - before) / bands.seconds[band] : 1.0;
    const double to =
        i == count - 1 ? height : bands.cuts[band] + std::clamp(inside, 0.0, 1.0) * rows;
    wanted[i] = (to - from) / height;
    from = to;
  }
  const double sliver = 0.02 / count;
  double sum = 0.0;
  for (int i = 0; i < count; ++i) {
    bands.shares[i] = std::max(0.5 * (bands.shares[i] + wanted[i]), sliver);
    sum += bands.shares[i];
  }
  for (int i = 0; i < count; ++i) bands.shares[i] /= sum;
}

}  // namespace

int setDrawingThreads(int count) {
  const int threads = drawingStatePerThread ? std::clamp(count, 1, maxDrawingThreads) : 1;
  if (threads != pool.threads) stopDrawingThreads();
  pool.threads = threads;
  return threads;
}

int drawingThreads() { return pool.threads; }

void runOnDrawingThreads(void (*work)(int index, int count)) {
  const int count = pool.threads;
  sharedWork = work;
  if (count <= 1 || !run_on_all([](int index) { sharedWork(index, pool.threads); }, count)) {
    work(0, 1);
  }
}

void drawInBands(void (*draw)(int top, int bottom), int height) {
  const int count = pool.threads;
  if (count > 1) {
    bands.draw = draw;
    place_cuts(count, height);
    bands.handedOut = Clock::now();
    if (run_on_all(draw_band, count)) {
      rebalance(count, height);
      return;
    }
  }
  draw(0, height);
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
