// The start-up view (Julia set, no rotation, no overlay) at several slice
// counts: how far each picture is from a 2000-slice one, and what a frame
// costs. Run from build/run (the shaders are read there) under a display:
//   ../../tests/with_xvfb.sh ../bench/picture/picture_bench --compare [--save DIR]
//   ../../tests/with_xvfb.sh ../bench/picture/picture_bench [benchmark options]
// --reference FILE adds a second fragment program (an older "volrendFrag.cg",
// say): the comparison is printed for it too, and the frame benchmarks run
// with it in the same process.
#include <GL/gl.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/vol_render.h"
#include "sources/julia.h"
#include "tests/support/gl_window.h"

namespace {

constexpr int kSide = 500;
constexpr int kJuliaSide = 170;
constexpr int kReferenceSlices = 2000;

std::vector<float> gVolume;
CGprogram gCurrentProgram = nullptr;
CGprogram gReferenceProgram = nullptr;

// The viewer's start-up state: window, projection, clear colour and volume.
void PrepareOnce(const char* referenceFile) {
  OpenGlWindow("picture bench", kSide, kSide);
  glClearColor(0.0f, 0.0f, 0.2f, 0.0f);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(60.0, 1.0, 0.1, 400.0);
  glMatrixMode(GL_MODELVIEW);
  glViewport(0, 0, kSide, kSide);
  try {
    gRenderer.Init();
  } catch (const VolRender::CgError& error) {
    std::fprintf(stderr, "%s\n%s\n", error.message.c_str(), error.listing.c_str());
    std::exit(1);
  }
  gVolume.resize(static_cast<size_t>(kJuliaSide) * kJuliaSide * kJuliaSide);
  BuildJuliaVolume(gVolume.data(), kJuliaSide, kJuliaSide, kJuliaSide, 0.0);
  gRenderer.SetData(gVolume.data(), kJuliaSide, kJuliaSide, kJuliaSide);
  gRenderer.BuildGradients();
  gCurrentProgram = gRenderer.fragmentProgram;
  if (!referenceFile) return;
  gReferenceProgram = cgCreateProgramFromFile(gRenderer.cgContext, CG_SOURCE, referenceFile,
                                              gRenderer.fragmentProfile, nullptr, nullptr);
  cgGLLoadProgram(gReferenceProgram);
  if (cgGetError() != CG_NO_ERROR) {
    std::fprintf(stderr, "%s\n", cgGetLastListing(gRenderer.cgContext));
    std::exit(1);
  }
}

// The renderer hands the slice spacing to its own fragment program, so the
// one in use takes that place.
void UseFragmentProgram(CGprogram program) {
  gRenderer.fragmentProgram = program;
  cgGLBindProgram(program);
  gRenderer.sliceCount = -1;  // forces the next SetSlices to re-record
}

void SetSlices(int count) {
  if (gRenderer.sliceCount == count) return;
  gRenderer.sliceCount = count;
  gRenderer.BuildSlices();
}

void DrawFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  gRenderer.Draw();
  glFinish();
}

std::vector<unsigned char> Picture(int slices) {
  SetSlices(slices);
  DrawFrame();
  std::vector<unsigned char> rgb(3 * kSide * kSide);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

// Mean absolute difference over every channel of every pixel, in [0, 1].
double MeanDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
  return sum / (255.0 * static_cast<double>(a.size()));
}

void SavePpm(const std::string& path, const std::vector<unsigned char>& rgb) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return;
  std::fprintf(file, "P6\n%d %d\n255\n", kSide, kSide);
  for (int row = kSide - 1; row >= 0; --row)  // GL rows run bottom up
    std::fwrite(&rgb[3 * static_cast<size_t>(row) * kSide], 1, 3 * kSide, file);
  std::fclose(file);
}

void Compare(const char* name, CGprogram program, const char* saveDir) {
  UseFragmentProgram(program);
  const std::vector<unsigned char> reference = Picture(kReferenceSlices);
  if (saveDir) SavePpm(std::string(saveDir) + "/" + name + "_2000.ppm", reference);
  for (int slices : {200, 400, 1000}) {
    const std::vector<unsigned char> picture = Picture(slices);
    std::printf("%-9s %4d slices: mean difference to %d slices %.4f\n", name, slices,
                kReferenceSlices, MeanDifference(picture, reference));
    if (saveDir)
      SavePpm(std::string(saveDir) + "/" + name + "_" + std::to_string(slices) + ".ppm", picture);
  }
}

void FrameWith(benchmark::State& state, CGprogram program) {
  UseFragmentProgram(program);
  SetSlices(static_cast<int>(state.range(0)));
  for (auto _ : state) DrawFrame();
}

void BM_Frame(benchmark::State& state) { FrameWith(state, gCurrentProgram); }

void BM_FrameReference(benchmark::State& state) { FrameWith(state, gReferenceProgram); }

// Wall clock, and the CPU time of every thread: the software renderer's own
// threads do the drawing, and other work on the machine slows the clock.
void RegisterFrame(const char* name, void (*frame)(benchmark::State&), int slices) {
  benchmark::RegisterBenchmark(name, frame)
      ->Arg(slices)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MeasureProcessCPUTime();
}

// Consumes "--name value"; returns the value or null.
const char* TakeOption(int& argc, char** argv, const char* name) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], name) != 0) continue;
    const char* value = argv[i + 1];
    for (int j = i; j + 2 <= argc; ++j) argv[j] = argv[j + 2];
    argc -= 2;
    return value;
  }
  return nullptr;
}

bool TakeFlag(int& argc, char** argv, const char* name) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], name) != 0) continue;
    for (int j = i; j + 1 <= argc; ++j) argv[j] = argv[j + 1];
    --argc;
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const char* referenceFile = TakeOption(argc, argv, "--reference");
  const char* saveDir = TakeOption(argc, argv, "--save");
  const bool compare = TakeFlag(argc, argv, "--compare");
  PrepareOnce(referenceFile);
  if (compare) {
    Compare("current", gCurrentProgram, saveDir);
    if (gReferenceProgram) Compare("reference", gReferenceProgram, saveDir);
    return 0;
  }
  for (int slices : {200, 1000}) {
    RegisterFrame("BM_Frame", BM_Frame, slices);
    if (gReferenceProgram) RegisterFrame("BM_FrameReference", BM_FrameReference, slices);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
