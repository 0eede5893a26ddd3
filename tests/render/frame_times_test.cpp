#include <gtest/gtest.h>

#include "render/frame_times.h"

namespace {

TEST(FrameTimes, MedianNearestRankPercentileAndRateOfUnsortedTimes) {
  const FrameTimeSummary odd = SummariseFrameTimes({30, 10, 20});
  EXPECT_DOUBLE_EQ(odd.medianMs, 20);
  EXPECT_DOUBLE_EQ(odd.percentile90Ms, 30);
  EXPECT_DOUBLE_EQ(odd.framesPerSecond, 50);  // 3 frames in 60 ms
  const FrameTimeSummary ten = SummariseFrameTimes({10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
  EXPECT_DOUBLE_EQ(ten.medianMs, 5.5);
  EXPECT_DOUBLE_EQ(ten.percentile90Ms, 9);  // the 9th shortest, not the 10th
  EXPECT_EQ(SummariseFrameTimes({}).framesPerSecond, 0);
}

}  // namespace
