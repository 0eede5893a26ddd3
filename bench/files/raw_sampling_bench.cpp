// Sub-volume sampling of a 1024 x 1024 x 741 file onto a 170^3 grid: the
// per-voxel seek-and-read it replaced against the row-span sampler, both
// from the same sparse file in /tmp. Also times the 128^3 smoothing.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/raw_volume.h"

namespace {

constexpr RawFileBox kBigFile{1024, 1024, 741};
constexpr int32_t kGrid = 170;

// A sparse file of the large volume's size with a few bytes set.
const std::string& SparseFile() {
  static const std::string path = [] {
    const std::string name = "/tmp/volview_bench_sparse_" + std::to_string(getpid()) + ".raw";
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (f == nullptr) std::abort();
    const long long size = 1LL * kBigFile.sizeX * kBigFile.sizeY * kBigFile.sizeZ;
    for (long long position = 0; position < size; position += size / 7) {
      std::fseek(f, static_cast<long>(position), SEEK_SET);
      std::fputc(200, f);
    }
    if (ftruncate(fileno(f), size) != 0) std::abort();
    std::fclose(f);
    return name;
  }();
  return path;
}

SubVolumeWindow Window(int32_t origin, int32_t extent) {
  const float step = SubVolumeStep(extent, kGrid);
  return {origin, origin, origin, step, step, step};
}

// The reference: one seek and one byte read per voxel.
void SamplePerVoxel(std::FILE* file, const SubVolumeWindow& w, float* out) {
  for (int32_t z = 0; z < kGrid; ++z) {
    const int64_t fz = SubVolumeFileCoordinate(z, w.stepZ, w.originZ);
    for (int32_t y = 0; y < kGrid; ++y) {
      const int64_t fy = SubVolumeFileCoordinate(y, w.stepY, w.originY);
      for (int32_t x = 0; x < kGrid; ++x) {
        const int64_t fx = SubVolumeFileCoordinate(x, w.stepX, w.originX);
        uint8_t byte = 0;
        if (fx >= 0 && fy >= 0 && fz >= 0 && fx < kBigFile.sizeX && fy < kBigFile.sizeY &&
            fz < kBigFile.sizeZ) {
          std::fseek(file, static_cast<long>((fz * kBigFile.sizeY + fy) * kBigFile.sizeX + fx),
                     SEEK_SET);
          if (std::fread(&byte, 1, 1, file) != 1) byte = 0;
        }
        *out++ = static_cast<float>(byte * kByteToUnit);
      }
    }
  }
}

void BM_SubVolumePerVoxelSeek(benchmark::State& state) {
  std::FILE* file = std::fopen(SparseFile().c_str(), "rb");
  std::vector<float> out(static_cast<size_t>(kGrid) * kGrid * kGrid);
  const SubVolumeWindow window = Window(static_cast<int32_t>(state.range(0)),
                                        static_cast<int32_t>(state.range(1)));
  for (auto _ : state) {
    SamplePerVoxel(file, window, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  std::fclose(file);
}

void BM_SubVolumeRowSpans(benchmark::State& state) {
  std::FILE* file = std::fopen(SparseFile().c_str(), "rb");
  RawFileSource source(file);
  std::vector<float> out(static_cast<size_t>(kGrid) * kGrid * kGrid);
  const SubVolumeWindow window = Window(static_cast<int32_t>(state.range(0)),
                                        static_cast<int32_t>(state.range(1)));
  for (auto _ : state) {
    SampleSubVolume(source, kBigFile, window, kGrid, kGrid, kGrid, 1, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  std::fclose(file);
}

void BM_Smooth128(benchmark::State& state) {
  const int32_t n = 128;
  std::vector<uint8_t> bytes(static_cast<size_t>(n) * n * n);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31 + i / 977);
  std::vector<float> out(bytes.size());
  for (auto _ : state) {
    SmoothRawVolume(bytes.data(), n, n, n, 1, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// Whole file (extent 1024 from the corner) and a zoomed, moved window.
BENCHMARK(BM_SubVolumePerVoxelSeek)->Args({0, 1024})->Args({80, 304})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SubVolumeRowSpans)->Args({0, 1024})->Args({80, 304})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Smooth128)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::remove(SparseFile().c_str());
  return 0;
}
