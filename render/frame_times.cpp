#include "render/frame_times.h"

#include <algorithm>
#include <numeric>

FrameTimeSummary SummariseFrameTimes(std::vector<double> frameMs) {
  FrameTimeSummary summary;
  const size_t n = frameMs.size();
  if (n == 0) return summary;
  std::sort(frameMs.begin(), frameMs.end());
  summary.medianMs = n % 2 == 1 ? frameMs[n / 2] : 0.5 * (frameMs[n / 2 - 1] + frameMs[n / 2]);
  // ceil(0.9 n), in integers so that no rounding can move the rank.
  summary.percentile90Ms = frameMs[(9 * n + 9) / 10 - 1];
  const double totalMs = std::accumulate(frameMs.begin(), frameMs.end(), 0.0);
  if (totalMs > 0.0) summary.framesPerSecond = 1000.0 * static_cast<double>(n) / totalMs;
  return summary;
}
