// The figures a benchmark run prints about its frames.
#pragma once

#include <vector>

struct FrameTimeSummary {
  double medianMs = 0.0;
  double percentile90Ms = 0.0;  // nearest rank: the ceil(0.9 n)-th shortest
  double framesPerSecond = 0.0;  // frames over their summed time
};

// From frame times in milliseconds, in any order; all 0 for no frames.
FrameTimeSummary SummariseFrameTimes(std::vector<double> frameMs);
