#include "render/fragment_counter.h"

#include "glux/glux_pipeline_statistics.h"

bool FragmentCounter::Supported() { return gluxPipelineStatistics().isLoaded(); }

void FragmentCounter::BeginStretch() {
  if (used_ + 2 > queries_.size()) {
    const size_t had = queries_.size();
    queries_.resize(had + 64);
    glGenQueries(64, queries_.data() + had);
  }
  glBeginQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, queries_[used_]);
  glBeginQuery(GL_SAMPLES_PASSED, queries_[used_ + 1]);
}

void FragmentCounter::EndStretch() {
  glEndQuery(GL_FRAGMENT_SHADER_INVOCATIONS_ARB);
  glEndQuery(GL_SAMPLES_PASSED);
  used_ += 2;
}

FragmentCounts FragmentCounter::Take() {
  FragmentCounts counts;
  for (size_t i = 0; i < used_; i += 2) {
    GLuint64 rasterized = 0, blended = 0;
    glGetQueryObjectui64v(queries_[i], GL_QUERY_RESULT, &rasterized);
    glGetQueryObjectui64v(queries_[i + 1], GL_QUERY_RESULT, &blended);
    counts.rasterized += rasterized;
    counts.blended += blended;
  }
  used_ = 0;
  return counts;
}
