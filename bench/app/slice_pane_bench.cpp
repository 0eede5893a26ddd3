// A slice pane's whole redraw at 512 x 512 pixels, as the viewer makes it
// while the wheel steps through a 512 x 512 x 400 int16 volume: the plane
// taken from the full-resolution voxels, its picture, drawn with the
// crosshair and the letters, and the GL finished. Each step moves to
// another plane, so nothing is cached. Run under a display:
//   tests/with_xvfb.sh build/bench/app/slice_pane_bench
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstring>

#include "app/slice_pane.h"
#include "tests/support/gl_window.h"

namespace {

constexpr int kSide = 512;

const Volume& TestVolume() {
  static const Volume volume = [] {
    VolumeInfo info;
    info.sizes = {512, 512, 400};
    info.spacing = {0.5, 0.5, 1.0};
    info.anatomical = true;
    const size_t count = 512u * 512u * 400u;
    VoxelBuffer voxels(new uint8_t[count * 2]);
    for (size_t i = 0; i < count; ++i) {
      const int16_t value = static_cast<int16_t>((i * 2654435761u >> 20) % 3000 - 1000);
      std::memcpy(voxels.get() + 2 * i, &value, 2);
    }
    return Volume(info, VoxelType::Int16, std::move(voxels));
  }();
  return volume;
}

void BM_SlicePaneRedraw(benchmark::State& state) {
  const auto axis = static_cast<SliceAxis>(state.range(0));
  ViewState view;
  view.sliceWindow = {-200, 800};
  view.sampling = state.range(1) ? Sampling::Nearest : Sampling::Linear;
  view.cursor = {255.5, 255.5, 199.5};
  SlicePane pane(view, TestVolume(), axis);
  const PaneRect rect{0, 0, kSide, kSide};
  const int normal = static_cast<int>(axis);
  const double planes = static_cast<double>(TestVolume().info().sizes[normal]);
  double position = 0.25;
  for (auto _ : state) {
    position = position + 37 >= planes ? position + 37 - planes : position + 37;
    view.cursor[normal] = position;
    glClear(GL_COLOR_BUFFER_BIT);
    pane.Draw(rect);
    glFinish();
  }
  static const char* const kNames[] = {"sagittal", "coronal", "axial"};
  state.SetLabel(std::string(kNames[normal]) + (state.range(1) ? " nearest" : " linear"));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  OpenGlWindow("slice pane bench", kSide, kSide);
  glViewport(0, 0, kSide, kSide);
  TestVolume();
  benchmark::RegisterBenchmark("BM_SlicePaneRedraw", BM_SlicePaneRedraw)
      ->ArgsProduct({{2, 1, 0}, {0, 1}})
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
