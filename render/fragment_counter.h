// The fragments the slices of a frame cost, counted by the GL where it can
// (GL_ARB_pipeline_statistics_query): those rasterized, the depth test's
// rejects among them, and those blended into the picture. Each stretch of
// slices is counted on its own, so the passes between them (the marks of
// hidden pixels) stay out; the counts are read once per frame, as reading
// them waits for the GL.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct FragmentCounts {
  uint64_t rasterized = 0;
  uint64_t blended = 0;
};

class FragmentCounter {
public:
  // Whether this GL counts; loads the entry points on first call.
  static bool Supported();

  void BeginStretch();
  void EndStretch();
  // The sum over the stretches since the last call.
  FragmentCounts Take();

private:
  std::vector<GLuint> queries_;  // two per stretch: rasterized, blended
  size_t used_ = 0;
};
