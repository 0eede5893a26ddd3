#include <gtest/gtest.h>

#include <vector>

#include "render/frame_times.h"

namespace {

TEST(FrameTimes, MedianPercentileAndRateOfUnsortedTimes) {
  const FrameTimeSummary odd = SummariseFrameTimes({30, 10, 20});
  EXPECT_DOUBLE_EQ(odd.medianMs, 20);
  EXPECT_DOUBLE_EQ(odd.percentile90Ms, 30);
  EXPECT_DOUBLE_EQ(odd.framesPerSecond, 50);  // 3 frames in 60 ms

  const FrameTimeSummary even = SummariseFrameTimes({40, 10, 30, 20});
  EXPECT_DOUBLE_EQ(even.medianMs, 25);

  // Ten frames: the 9th shortest; twenty: the 18th.
  std::vector<double> times;
  for (int i = 10; i >= 1; --i) times.push_back(i);
  EXPECT_DOUBLE_EQ(SummariseFrameTimes(times).percentile90Ms, 9);
  for (int i = 11; i <= 20; ++i) times.push_back(i);
  EXPECT_DOUBLE_EQ(SummariseFrameTimes(times).percentile90Ms, 18);
  EXPECT_DOUBLE_EQ(SummariseFrameTimes({7}).percentile90Ms, 7);

  const FrameTimeSummary none = SummariseFrameTimes({});
  EXPECT_EQ(none.medianMs, 0);
  EXPECT_EQ(none.framesPerSecond, 0);
}

}  // namespace
