// Persistent helper threads for the fluid solver. They are started on first
// use and live until the process ends, so a solver step never creates one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fluid {

// Threads taking part in RunOnWorkers, the calling thread included: the
// number of cores, at most 4, unless changed by SetWorkerCount.
int WorkerCount();

// Uses `count` threads (clamped to 1..4) from now on; for benchmarks and for
// tests that check results do not depend on the split. Not to be called
// while RunOnWorkers runs.
void SetWorkerCount(int count);

// Runs task(context, part, parts) for every part in 0..parts-1 at the same
// time, part 0 on the calling thread, and returns once all have finished.
// Not reentrant: a task must not call it again.
void RunOnWorkers(void (*task)(void* context, int part, int parts), void* context);

// Convenience form for a callable f(part, parts).
template <class Fn>
void RunOnWorkers(Fn& fn) {
  RunOnWorkers([](void* c, int part, int parts) { (*static_cast<Fn*>(c))(part, parts); }, &fn);
}

// The share [begin, end) of 0..count that part `part` of `parts` takes.
struct Share {
  int32_t begin;
  int32_t end;
};
inline Share ShareOf(int32_t count, int part, int parts) {
  const int64_t b = static_cast<int64_t>(count) * part / parts;
  const int64_t e = static_cast<int64_t>(count) * (part + 1) / parts;
  return {static_cast<int32_t>(b), static_cast<int32_t>(e)};
}

// Sets count floats to zero, the range shared among the workers.
void ClearInParallel(float* data, size_t count);

// Gives the core away for a moment.
void YieldThread();

// Busy-waits briefly, then yields, until `ready()` holds; for the short
// hand-offs between the relaxation threads.
template <class Ready>
void WaitUntil(Ready ready) {
  for (int spin = 0; !ready(); ++spin) {
    if (spin < 4096) {
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    } else {
      YieldThread();
    }
  }
}

}  // namespace fluid
