// One frame of an opened volume in each render mode, at the viewer's
// 500 x 500 start view (anterior, 200 slices, no overlay), with the
// grayscale preset, drawn as the viewer draws it. Run from build/run, where
// the shaders, presets and samples are, under a display:
//   ../../tests/with_xvfb.sh ../bench/volumes/render_modes_bench [VOLUME] [benchmark options]
// VOLUME defaults to the CT sample.
#include <GL/gl.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/volume_file.h"
#include "files/volume_fit.h"
#include "files/transfer_file.h"
#include "files/volume_window.h"
#include "render/vol_render.h"
#include "tests/support/gl_window.h"

namespace {

constexpr int kSide = 500;
std::vector<float> gTexels;

void PrepareOnce(const std::string& path) {
  OpenGlWindow("render modes bench", kSide, kSide);
  glClearColor(0.0f, 0.0f, 0.2f, 0.0f);
  glMatrixMode(GL_PROJECTION);
  // The viewer's start view of an opened volume: 250 tan(30 degrees) half-height at its centre.
  gluPerspective(2.0 * std::atan(250.0 * std::tan(M_PI / 6) / kVolumeEyeDistance) * 180.0 / M_PI, 1.0,
                 kVolumeEyeDistance - 200.0, kVolumeEyeDistance + 200.0);
  glMatrixMode(GL_MODELVIEW);
  glViewport(0, 0, kSide, kSide);
  try {
    gRenderer.Init();
    VolumeRequest request;
    request.path = path;
    const Volume volume = OpenVolume(request);
    const IntensityWindow window = RobustWindow(volume);
    const VolumeInfo& info = volume.info();
    VolumeBox box;
    for (int axis = 0; axis < 3; ++axis) box.extent[axis] = static_cast<double>(info.sizes[axis]);
    const std::array<int32_t, 3> sizes = FitVolumeSize(info.sizes, 256, 2048);
    gTexels.resize(static_cast<size_t>(sizes[0]) * sizes[1] * sizes[2]);
    ResampleVolume(volume, box, window, sizes, gTexels.data());
    double longest = 0;
    for (int axis = 0; axis < 3; ++axis) longest = std::max(longest, info.sizes[axis] * info.spacing[axis]);
    std::array<float, 3> shape{};
    for (int axis = 0; axis < 3; ++axis) {
      shape[axis] = static_cast<float>(info.sizes[axis] * info.spacing[axis] / longest);
    }
    float table[4 * kTransferEntries];
    ReadTransferFile("presets/grayscale.json", window.low, window.high, table);
    gRenderer.SetTransferFunction(table);
    gRenderer.ShowPreciseVolume(gTexels.data(), sizes[0], sizes[1], sizes[2], shape);
  } catch (const VolRender::CgError& error) {
    std::fprintf(stderr, "%s\n%s\n", error.message.c_str(), error.listing.c_str());
    std::exit(1);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    std::exit(1);
  }
}

void BM_Mode(benchmark::State& state) {
  const auto mode = static_cast<RenderMode>(state.range(0));
  if (!gRenderer.PrepareRenderMode(mode)) {
    state.SkipWithError("mode not available");
    return;
  }
  DrawInputs inputs;
  inputs.orientation = ViewRotation(AnatomicalView::Anterior);
  inputs.mode = mode;
  inputs.sliceCount = gRenderer.sliceCount;
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gRenderer.DrawOriented(inputs);
    glFinish();
  }
  state.SetLabel(RenderModeName(mode));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  PrepareOnce(argc > 1 ? argv[1] : "samples/ct.nii.gz");
  // Wall clock and the CPU of every thread: the software renderer draws on
  // threads of its own.
  benchmark::RegisterBenchmark("BM_Mode", BM_Mode)
      ->DenseRange(0, kRenderModeCount - 1)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MeasureProcessCPUTime();
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
