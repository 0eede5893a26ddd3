// Cost of one editing drag event: the spline edit, and the edit followed by
// the table upload the renderer performs.
#include "transfer/transfer_editor.h"

#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include "tests/support/gl_window.h"

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

void BM_EditAndUpload(benchmark::State& state) {
  if (!MakeContext()) {
    state.SkipWithError("no display: run under tests/with_xvfb.sh");
    return;
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  TransferEditor editor;
  int step = 0;
  for (auto _ : state) {
    DragStep(editor, step++);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 1, 0, GL_RGBA, GL_FLOAT, editor.Table());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  }
  glFinish();
  glDeleteTextures(1, &texture);
}
BENCHMARK(BM_EditAndUpload);

}  // namespace

BENCHMARK_MAIN();
