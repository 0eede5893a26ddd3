#include "sources/fluid_workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace fluid {
namespace {

// More threads than this only fight over memory bandwidth.
constexpr int kMaxWorkers = 4;

struct Pool {
  int count = 1;    // parts of the next task
  // Parts of the task on offer: a helper that wakes late for a finished task
  // must still see it split as it was, not by a count changed since.
  int parts = 1;
  int started = 1;  // threads running, the caller included
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable done;
  uint64_t generation = 0;
  void (*task)(void*, int, int) = nullptr;
  void* context = nullptr;
  std::atomic<int> pending{0};
};

// `seen` is the generation current at start: earlier tasks are not its own.
void HelperLoop(Pool* pool, int part, uint64_t seen) {
  for (;;) {
    void (*task)(void*, int, int);
    void* context;
    int parts;
    {
      std::unique_lock<std::mutex> lock(pool->mutex);
      pool->wake.wait(lock, [&] { return pool->generation != seen; });
      seen = pool->generation;
      task = pool->task;
      context = pool->context;
      parts = pool->parts;
    }
    if (part >= parts) continue;  // not needed for this task
    task(context, part, parts);
    if (pool->pending.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      std::lock_guard<std::mutex> lock(pool->mutex);
      pool->done.notify_one();
    }
  }
}

// Called with the pool's mutex held, or before the pool is shared.
void StartHelpers(Pool& pool, int count) {
  for (; pool.started < count; ++pool.started) {
    std::thread(HelperLoop, &pool, pool.started, pool.generation).detach();
  }
}

// Built on first use and never destroyed: the helpers block on its members
// until the process ends.
Pool& ThePool() {
  static Pool* pool = [] {
    Pool* p = new Pool;
    const unsigned hw = std::thread::hardware_concurrency();
    p->count = std::clamp(static_cast<int>(hw), 1, kMaxWorkers);
    StartHelpers(*p, p->count);
    return p;
  }();
  return *pool;
}

}  // namespace

void YieldThread() { std::this_thread::yield(); }

void ClearInParallel(float* data, size_t count) {
  auto clear = [&](int part, int parts) {
    const size_t begin = count * static_cast<size_t>(part) / static_cast<size_t>(parts);
    const size_t end = count * static_cast<size_t>(part + 1) / static_cast<size_t>(parts);
    std::memset(data + begin, 0, (end - begin) * sizeof(float));
  };
  RunOnWorkers(clear);
}

int WorkerCount() { return ThePool().count; }

void SetWorkerCount(int count) {
  Pool& pool = ThePool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  pool.count = std::clamp(count, 1, kMaxWorkers);
  StartHelpers(pool, pool.count);
}

void RunOnWorkers(void (*task)(void*, int, int), void* context) {
  Pool& pool = ThePool();
  if (pool.count == 1) {
    task(context, 0, 1);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(pool.mutex);
    pool.task = task;
    pool.context = context;
    pool.parts = pool.count;
    pool.pending.store(pool.count - 1, std::memory_order_relaxed);
    ++pool.generation;
  }
  pool.wake.notify_all();
  task(context, 0, pool.count);
  std::unique_lock<std::mutex> lock(pool.mutex);
  pool.done.wait(lock, [&] { return pool.pending.load(std::memory_order_acquire) == 0; });
}

}  // namespace fluid
