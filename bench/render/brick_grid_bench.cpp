// The brick grid: made once per volume, then its visible set redone per
// transfer-function edit.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/render/test_volume.h"
#include "render/brick_grid.h"

namespace {

void BM_MakeGrid(benchmark::State& state) {
  const int32_t n = state.range(0);
  const std::vector<float> volume = NoisyBall(n, n, n);
  for (auto _ : state) {
    BrickGrid grid(volume.data(), n, n, n);
    benchmark::DoNotOptimize(grid.Bricks());
  }
}
BENCHMARK(BM_MakeGrid)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

// A table opening above 0.5, and the box the renderer would clip to.
void BM_UpdateVisibility(benchmark::State& state) {
  const int32_t n = state.range(0);
  const std::vector<float> volume = NoisyBall(n, n, n);
  BrickGrid grid(volume.data(), n, n, n);
  std::vector<float> table(1024, 0.0f);
  for (int i = 128; i < 256; ++i) table[4 * i + 3] = 0.5f;
  for (auto _ : state) {
    grid.UpdateVisibility(table.data());
    benchmark::DoNotOptimize(grid.VisibleBox());
  }
  state.counters["skipped"] = grid.SkippedFraction();
}
BENCHMARK(BM_UpdateVisibility)->Arg(128)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
