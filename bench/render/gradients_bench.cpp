// The smoothed 16-bit gradients against today's 8-bit-bound central
// differences, on an MRI-sized and a 256^3 volume (both on both cores).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/render/test_volume.h"
#include "render/gradients.h"
#include "render/smooth_gradients.h"

namespace {

void BM_CentralDifferences(benchmark::State& state) {
  const int32_t nx = state.range(0), ny = state.range(1), nz = state.range(2);
  const std::vector<float> volume = NoisyBall(nx, ny, nz);
  std::vector<float> out(3 * volume.size());
  for (auto _ : state) {
    ComputeGradients(volume.data(), nx, ny, nz, {1.0, 1.0, 0.5}, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_CentralDifferences)
    ->Args({128, 128, 62})
    ->Args({256, 256, 256})
    ->Unit(benchmark::kMillisecond);

void BM_SmoothGradients16(benchmark::State& state) {
  const int32_t nx = state.range(0), ny = state.range(1), nz = state.range(2);
  const std::vector<float> volume = NoisyBall(nx, ny, nz);
  std::vector<uint16_t> out(kSmoothGradientComponents * volume.size());
  for (auto _ : state) {
    ComputeSmoothGradients16(volume.data(), nx, ny, nz, {1.0, 1.0, 0.5}, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SmoothGradients16)
    ->Args({128, 128, 62})
    ->Args({256, 256, 256})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
