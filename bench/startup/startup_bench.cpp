// The pieces of start-up before the first frame, and of every fluid frame:
// the renderer's Init, the Julia build, the gradient pass, the two texture
// uploads and one Draw. Times are wall clock; the CPU column adds up every
// thread of the process. Run it from build/run (Init reads the shaders there)
// under a display: ../../tests/with_xvfb.sh ../bench/startup/startup_bench
#include <GL/gl.h>
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "render/gradients.h"
#include "render/vol_render.h"
#include "sources/julia.h"
#include "tests/support/gl_window.h"

namespace {

std::vector<float> JuliaVolume(int side) {
  std::vector<float> volume(static_cast<size_t>(side) * side * side);
  BuildJuliaVolume(volume.data(), side, side, side, 0.0);
  return volume;
}

void BM_JuliaBuild(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  std::vector<float> volume(static_cast<size_t>(side) * side * side);
  for (auto _ : state) {
    BuildJuliaVolume(volume.data(), side, side, side, 0.0);
    benchmark::DoNotOptimize(volume.data());
  }
}
BENCHMARK(BM_JuliaBuild)->Arg(170)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_GradientPass(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const std::vector<float> volume = JuliaVolume(side);
  std::vector<float> gradients(3 * volume.size());
  for (auto _ : state) {
    ComputeGradients(volume.data(), side, side, side, gradients.data());
    benchmark::DoNotOptimize(gradients.data());
  }
}
BENCHMARK(BM_GradientPass)->Arg(170)->Arg(172)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// As BuildGradients does it: a fresh buffer every time.
void BM_GradientPassFreshBuffer(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const std::vector<float> volume = JuliaVolume(side);
  for (auto _ : state) {
    float* gradients = AllocateGradientBuffer(side, side, side);
    ComputeGradients(volume.data(), side, side, side, gradients);
    benchmark::DoNotOptimize(gradients);
    ReleaseGradientBuffer(gradients);
  }
}
BENCHMARK(BM_GradientPassFreshBuffer)->Arg(172)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_VolumeUpload(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  std::vector<float> volume = JuliaVolume(side);
  for (auto _ : state) {
    gRenderer.SetData(volume.data(), side, side, side);
    glFinish();
  }
}
BENCHMARK(BM_VolumeUpload)->Arg(170)->Arg(172)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// BuildGradients whole: allocation, pass and upload.
void BM_BuildGradients(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  std::vector<float> volume = JuliaVolume(side);
  gRenderer.SetData(volume.data(), side, side, side);
  for (auto _ : state) {
    gRenderer.BuildGradients();
    glFinish();
  }
}
BENCHMARK(BM_BuildGradients)->Arg(170)->Arg(172)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// One frame of the start-up volume: 200 slices in a 500 x 500 window.
void BM_Draw(benchmark::State& state) {
  std::vector<float> volume = JuliaVolume(170);
  gRenderer.SetData(volume.data(), 170, 170, 170);
  gRenderer.BuildGradients();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, 1.0, 0.0, 400.0);
  glMatrixMode(GL_MODELVIEW);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gRenderer.Draw();
    glFinish();
  }
}
BENCHMARK(BM_Draw)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
  OpenGlWindow("startup bench", 500, 500);
  // Init runs once per process, so it is timed here rather than repeated.
  const auto start = std::chrono::steady_clock::now();
  gRenderer.Init();
  const std::chrono::duration<double, std::milli> init = std::chrono::steady_clock::now() - start;
  std::printf("Init (gluX, textures, shaders, slice list): %.1f ms\n", init.count());

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
