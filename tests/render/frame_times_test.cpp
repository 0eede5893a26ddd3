#include <gtest/gtest.h>

#include <vector>

#include "render/frame_times.h"

namespace {

TEST(FrameTimes, MedianNearestRankPercentileAndRateOfUnsortedTimes) {
  const FrameTimeSummary odd = SummariseFrameTimes({30, 10, 20});
  EXPECT_DOUBLE_EQ(odd.medianMs, 20);
  EXPECT_DOUBLE_EQ(odd.percentile90Ms, 30);
  EXPECT_DOUBLE_EQ(odd.framesPerSecond, 50);  // 3 frames in 60 ms
  EXPECT_DOUBLE_EQ(SummariseFrameTimes({40, 10, 30, 20}).medianMs, 25);
  std::vector<double> times;
  for (int i = 10; i >= 1; --i) times.push_back(i);
  EXPECT_DOUBLE_EQ(SummariseFrameTimes(times).percentile90Ms, 9);  // of ten, the 9th
  for (int i = 11; i <= 20; ++i) times.push_back(i);
  EXPECT_DOUBLE_EQ(SummariseFrameTimes(times).percentile90Ms, 18);  // of twenty, the 18th
  EXPECT_DOUBLE_EQ(SummariseFrameTimes({7}).percentile90Ms, 7);
  EXPECT_EQ(SummariseFrameTimes({}).framesPerSecond, 0);
}

}  // namespace
