// The brick grid: made once per volume, then its visible set redone per
// transfer-function edit; and the share of bricks skipped on opened volumes
// (default window, 256 voxels at most), under the initial table and under
// one that shows only the upper 70% of the window.
//   render_brick_grid_bench [VOLUME...]   (default: the CT sample)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/render/test_volume.h"
#include "files/volume_fit.h"
#include "render/brick_grid.h"
#include "transfer/initial_table.h"

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

std::vector<float> UpperTable() {
  std::vector<float> table(4 * kTransferEntries, 0.7f);
  for (int i = 0; i < kTransferEntries; ++i) table[4 * i + 3] = i >= 77 ? 0.5f : 0.0f;
  return table;
}

// The visible set and its box, redone for one table.
void Update(benchmark::State& state, const BrickGrid& made, const std::vector<float>& table) {
  BrickGrid grid = made;
  for (auto _ : state) {
    grid.UpdateVisibility(table.data());
    benchmark::DoNotOptimize(grid.VisibleBox());
  }
  state.counters["skipped"] = grid.SkippedFraction();
}

void RegisterVolume(const std::string& name, std::vector<float> voxels,
                    const std::array<int32_t, 3>& n) {
  const BrickGrid grid(voxels.data(), n[0], n[1], n[2]);
  std::vector<float> initial(4 * kTransferEntries);
  FillInitialTransferTable(initial.data());
  benchmark::RegisterBenchmark(("BM_UpdateVisibility/" + name + "/initial").c_str(),
                               [grid, initial](benchmark::State& s) { Update(s, grid, initial); })
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark(("BM_UpdateVisibility/" + name + "/upper").c_str(),
                               [grid](benchmark::State& s) { Update(s, grid, UpperTable()); })
      ->Unit(benchmark::kMicrosecond);
}

void RegisterFile(const std::string& path) {
  VolumeRequest request;
  request.path = path;
  const Volume volume = OpenVolume(request);
  const auto sizes = FitVolumeSize(volume.info().sizes, 256, 2048);
  std::vector<float> voxels(static_cast<size_t>(sizes[0]) * sizes[1] * sizes[2]);
  ResampleVolume(volume, WholeVolume(volume), RobustWindow(volume), sizes, voxels.data());
  RegisterVolume(path.substr(path.find_last_of('/') + 1), std::move(voxels), sizes);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RegisterVolume("ball256", NoisyBall(256, 256, 256), {256, 256, 256});
  if (argc < 2) RegisterFile(VOLVIEW_RUN_DIR "/samples/ct.nii.gz");
  for (int i = 1; i < argc; ++i) RegisterFile(argv[i]);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
