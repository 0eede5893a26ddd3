// Cost of one editing drag event: the spline edit, and the edit followed by
// the table upload the renderer performs; then the same with the
// pre-integrated table computed and uploaded instead (16-bit texels).
#include "transfer/transfer_editor.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "tests/support/gl_window.h"
#include "transfer/preintegrated_table.h"

namespace {

// Sweeps the panel the way a drag does: every position, varying heights.
void DragStep(TransferEditor& editor, int step) {
  editor.Edit(step % 256, (step * 37) % 300 - 20);
}

void BM_Edit(benchmark::State& state) {
  TransferEditor editor;
  int step = 0;
  for (auto _ : state) {
    DragStep(editor, step++);
    benchmark::DoNotOptimize(editor.table[0][0]);
  }
}
BENCHMARK(BM_Edit);

bool MakeContext() {
  static bool made = false;
  if (made) return true;
  if (std::getenv("DISPLAY") == nullptr) return false;
  OpenGlWindow("bench", 64, 64);
  made = true;
  return true;
}

// Runs `upload(editor, step)` on a bound 2D texture each iteration, then
// waits for GL; skipped without a display.
template <class Upload>
void TimeUploads(benchmark::State& state, Upload upload) {
  if (!MakeContext()) {
    state.SkipWithError("no display: run under tests/with_xvfb.sh");
    return;
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  TransferEditor editor;
  int step = 0;
  for (auto _ : state) upload(editor, step++);
  glFinish();
  glDeleteTextures(1, &texture);
}

void BM_EditAndUpload(benchmark::State& state) {
  TimeUploads(state, [](TransferEditor& editor, int step) {
    DragStep(editor, step);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 1, 0, GL_RGBA, GL_FLOAT, editor.Table());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  });
}
BENCHMARK(BM_EditAndUpload);

// The table alone, at the spacing of 200 slices.
void BM_Preintegrate(benchmark::State& state) {
  TransferEditor editor;
  std::vector<float> table(kPreintegratedFloats);
  for (auto _ : state) {
    ComputePreintegratedTable(editor.Table(), 1.0f, table.data());
    benchmark::DoNotOptimize(table.data());
  }
}
BENCHMARK(BM_Preintegrate);

void BM_EditPreintegrateAndUpload(benchmark::State& state) {
  std::vector<float> table(kPreintegratedFloats);
  TimeUploads(state, [&table](TransferEditor& editor, int step) {
    DragStep(editor, step);
    ComputePreintegratedTable(editor.Table(), 1.0f, table.data());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16, kPreintegratedSide, kPreintegratedSide, 0, GL_RGBA,
                 GL_FLOAT, table.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  });
}
BENCHMARK(BM_EditPreintegrateAndUpload);

}  // namespace

BENCHMARK_MAIN();
