// The fluid frame's texture uploads at 172^3: gluBuild3DMipmaps against our
// mip chain, and whole fluid frames with either, in the same run.
// Run from the program's working directory (the shaders are read from it)
// under a display: tests/with_xvfb.sh <build>/bench/upload/upload_bench
#include <GL/gl.h>
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "render/gradients.h"
#include "render/vol_render.h"
#include "render/volume_upload.h"
#include "sources/fluid_driver.h"
#include "sources/fluid_fields.h"

namespace {

constexpr int32_t kSide = 172;  // the bordered fluid grid

// Fluid mode on and both buttons held over a 500-pixel window.
void AdvanceStirredFluid() {
  static int32_t oldX = 250, oldY = 250;
  FluidPointer pointer{500, 500, 250, 250, oldX, oldY, true, true};
  AdvanceFluid(true, false, pointer);
}

// One GL context, the renderer and a stirred fluid, set up once.
void PrepareOnce() {
  static bool ready = false;
  if (ready) return;
  int argc = 1;
  char name[] = "upload_bench";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(500, 500);
  glutCreateWindow("upload bench");
  gRenderer.Init();
  glMatrixMode(GL_PROJECTION);
  gluPerspective(60.0, 1.0, 1.0, 400.0);
  glMatrixMode(GL_MODELVIEW);

  gFluidNX = gFluidNY = gFluidNZ = kSide - 2;
  if (!AllocateFluidFields()) std::abort();
  ClearFluidFields();
  gTimeStep = 0.4f;
  gViscosity = 0.005f;
  gSourceDensity = 100.0f;
  gForceScale = 1.0f;
  std::mt19937 random(1);
  std::uniform_real_distribution<float> density(0.0f, 1.2f);
  for (size_t i = 0; i < FluidFieldSize(); ++i) gDensity[i] = density(random);
  ready = true;
}

// What SetData and BuildGradients did with the library's mipmap builder.
void LibraryUploads(std::vector<float>& gradients) {
  glBindTexture(GL_TEXTURE_3D, gRenderer.volumeTexture);
  gluBuild3DMipmaps(GL_TEXTURE_3D, 4, kSide, kSide, kSide, GL_ALPHA, GL_FLOAT, gDensity);
  ComputeGradients(gDensity, kSide, kSide, kSide, gradients.data());
  glBindTexture(GL_TEXTURE_3D, gRenderer.gradientTexture);
  gluBuild3DMipmaps(GL_TEXTURE_3D, 3, kSide, kSide, kSide, GL_RGB, GL_FLOAT, gradients.data());
}

void OurUploads() {
  gRenderer.SetData(gDensity, kSide, kSide, kSide);
  gRenderer.BuildGradients();
}

void BM_UploadsLibrary(benchmark::State& state) {
  PrepareOnce();
  std::vector<float> gradients(static_cast<size_t>(kSide) * kSide * kSide * 3);
  for (auto _ : state) {
    LibraryUploads(gradients);
    glFinish();
  }
}
BENCHMARK(BM_UploadsLibrary)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

void BM_UploadsOurs(benchmark::State& state) {
  PrepareOnce();
  OurUploads();  // buffers sized once, as after the first fluid frame
  for (auto _ : state) {
    OurUploads();
    glFinish();
  }
}
BENCHMARK(BM_UploadsOurs)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

// The two uploads one at a time, without the gradient pass.
void BM_VolumeUploadLibrary(benchmark::State& state) {
  PrepareOnce();
  glBindTexture(GL_TEXTURE_3D, gRenderer.volumeTexture);
  for (auto _ : state) {
    gluBuild3DMipmaps(GL_TEXTURE_3D, 4, kSide, kSide, kSide, GL_ALPHA, GL_FLOAT, gDensity);
    glFinish();
  }
}
BENCHMARK(BM_VolumeUploadLibrary)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

void BM_VolumeUploadOurs(benchmark::State& state) {
  PrepareOnce();
  MipChain chain;
  glBindTexture(GL_TEXTURE_3D, gRenderer.volumeTexture);
  UploadMipmapped3D(chain, 4, GL_ALPHA, kSide, kSide, kSide, gDensity);  // buffers sized once
  for (auto _ : state) {
    UploadMipmapped3D(chain, 4, GL_ALPHA, kSide, kSide, kSide, gDensity);
    glFinish();
  }
}
BENCHMARK(BM_VolumeUploadOurs)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

void BM_GradientUploadLibrary(benchmark::State& state) {
  PrepareOnce();
  std::vector<float> gradients(static_cast<size_t>(kSide) * kSide * kSide * 3);
  ComputeGradients(gDensity, kSide, kSide, kSide, gradients.data());
  glBindTexture(GL_TEXTURE_3D, gRenderer.gradientTexture);
  for (auto _ : state) {
    gluBuild3DMipmaps(GL_TEXTURE_3D, 3, kSide, kSide, kSide, GL_RGB, GL_FLOAT, gradients.data());
    glFinish();
  }
}
BENCHMARK(BM_GradientUploadLibrary)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

void BM_GradientUploadOurs(benchmark::State& state) {
  PrepareOnce();
  std::vector<float> gradients(static_cast<size_t>(kSide) * kSide * kSide * 3);
  ComputeGradients(gDensity, kSide, kSide, kSide, gradients.data());
  MipChain chain;
  glBindTexture(GL_TEXTURE_3D, gRenderer.gradientTexture);
  UploadMipmapped3D(chain, 3, GL_RGB, kSide, kSide, kSide, gradients.data());
  for (auto _ : state) {
    UploadMipmapped3D(chain, 3, GL_RGB, kSide, kSide, kSide, gradients.data());
    glFinish();
  }
}
BENCHMARK(BM_GradientUploadOurs)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

void DrawFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  gRenderer.Draw();
  glutSwapBuffers();
  glFinish();
}

void BM_FluidFrameLibrary(benchmark::State& state) {
  PrepareOnce();
  std::vector<float> gradients(static_cast<size_t>(kSide) * kSide * kSide * 3);
  OurUploads();  // the renderer's sizes and buffers in place for Draw
  for (auto _ : state) {
    AdvanceStirredFluid();
    LibraryUploads(gradients);
    DrawFrame();
  }
}
BENCHMARK(BM_FluidFrameLibrary)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

void BM_FluidFrameOurs(benchmark::State& state) {
  PrepareOnce();
  OurUploads();
  for (auto _ : state) {
    AdvanceStirredFluid();
    OurUploads();
    DrawFrame();
  }
}
BENCHMARK(BM_FluidFrameOurs)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
