// The 2D slice views' pictures from a 512x512x400 int16 volume: a plane's
// extraction, its 512x512 grey picture at zoom 1 and 4, and both, for each
// plane and sampling. Each extraction takes a slice 97 planes on from the
// last, so no plane (nor a sagittal slice's cache lines) is left in cache.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render/slice_image.h"

namespace {

constexpr int kPicture = 512;

const Volume& CtSizedVolume() {
  static const Volume volume = [] {
    VolumeInfo info;
    info.sizes = {512, 512, 400};
    const size_t count = 512 * 512 * 400;
    VoxelBuffer voxels(new uint8_t[count * sizeof(int16_t)]);
    int16_t* values = reinterpret_cast<int16_t*>(voxels.get());
    // A ball of tissue-like values in air, with a ripple so no two rows match.
    for (int64_t z = 0; z < 400; ++z)
      for (int64_t y = 0; y < 512; ++y)
        for (int64_t x = 0; x < 512; ++x) {
          const int64_t dx = x - 256, dy = y - 256, dz = z - 200;
          const bool inside = dx * dx + dy * dy + dz * dz < 200 * 200;
          *values++ = static_cast<int16_t>((inside ? 40 : -1000) + (x * 7 + y * 13 + z * 3) % 64);
        }
    return Volume(info, VoxelType::Int16, std::move(voxels));
  }();
  return volume;
}

// Centred on the slice, a little off the voxel grid so linear sampling blends.
PixelMapping CentredMapping(const SliceValues& slice, double zoom) {
  const double step = 1.0 / zoom;
  return {slice.width / 2.0 - kPicture / 2 * step + 0.3, step, slice.height / 2.0 - kPicture / 2 * step + 0.3, step};
}

const IntensityWindow kWindow{-200, 300};

struct Case {
  SliceAxis axis;
  Sampling sampling;
};

double NextPosition(const Volume& volume, SliceAxis axis, double position) {
  const int64_t n = volume.info().sizes[static_cast<int>(axis)];
  return static_cast<double>((static_cast<int64_t>(position) + 97) % n) + 0.25;
}

void Extract(benchmark::State& state, Case c) {
  const Volume& volume = CtSizedVolume();
  SliceValues slice;
  double position = 0.25;
  for (auto _ : state) {
    ExtractSlice(volume, c.axis, position, c.sampling, slice);
    benchmark::DoNotOptimize(slice.values.data());
    position = NextPosition(volume, c.axis, position);
  }
}

void Render(benchmark::State& state, Case c, double zoom) {
  SliceValues slice;
  const Volume& volume = CtSizedVolume();
  ExtractSlice(volume, c.axis, volume.info().sizes[static_cast<int>(c.axis)] / 2 + 0.25, c.sampling, slice);
  const PixelMapping mapping = CentredMapping(slice, zoom);
  std::vector<uint8_t> grey(kPicture * kPicture);
  for (auto _ : state) {
    RenderSlice(slice, mapping, kPicture, kPicture, c.sampling, kWindow, 0, grey.data());
    benchmark::DoNotOptimize(grey.data());
  }
}

void ExtractAndRender(benchmark::State& state, Case c) {
  const Volume& volume = CtSizedVolume();
  SliceValues slice;
  std::vector<uint8_t> grey(kPicture * kPicture);
  double position = 0.25;
  for (auto _ : state) {
    ExtractSlice(volume, c.axis, position, c.sampling, slice);
    RenderSlice(slice, CentredMapping(slice, 1), kPicture, kPicture, c.sampling, kWindow, 0, grey.data());
    benchmark::DoNotOptimize(grey.data());
    position = NextPosition(volume, c.axis, position);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::pair<SliceAxis, const char*> axes[] = {
      {SliceAxis::Axial, "axial"}, {SliceAxis::Coronal, "coronal"}, {SliceAxis::Sagittal, "sagittal"}};
  const std::pair<Sampling, const char*> samplings[] = {{Sampling::Linear, "linear"}, {Sampling::Nearest, "nearest"}};
  for (const auto& [axis, axisName] : axes) {
    for (const auto& [sampling, samplingName] : samplings) {
      const Case c{axis, sampling};
      const std::string suffix = std::string("/") + axisName + "/" + samplingName;
      benchmark::RegisterBenchmark(("Extract" + suffix).c_str(), Extract, c)->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("Render" + suffix + "/zoom1").c_str(), Render, c, 1.0)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("Render" + suffix + "/zoom4").c_str(), Render, c, 4.0)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("ExtractAndRender" + suffix).c_str(), ExtractAndRender, c)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
