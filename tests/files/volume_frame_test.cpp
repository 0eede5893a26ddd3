// Nearly orthonormal direction cosines: accepted within the tolerance and
// replaced by the nearest orthonormal frame, refused beyond it.
#include <gtest/gtest.h>

#include <cmath>

#include "files/volume_frame.h"

namespace {

DirectionMatrix Skewed(double e) {  // the y axis leans toward x by e
  return {{{1, e, 0}, {0, 1, 0}, {0, 0, 1}}};
}

}  // namespace

TEST(OrthonormalFrame, DeviationIsTheCosineBetweenAxes) {
  EXPECT_EQ(OrthonormalDeviation({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}), 0.0);
  EXPECT_NEAR(OrthonormalDeviation(Skewed(0.001)), 0.001, 1e-6);
  EXPECT_TRUE(std::isinf(OrthonormalDeviation({{{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}})));
  EXPECT_TRUE(std::isinf(OrthonormalDeviation({{{NAN, 0, 0}, {0, 1, 0}, {0, 0, 1}}})));
}

TEST(OrthonormalFrame, AcceptedWithinTheToleranceAsTheNearestFrameRefusedBeyond) {
  for (double e : {1e-6, 1e-3, 0.0099}) {
    const auto frame = NearestOrthonormal(Skewed(e));
    ASSERT_TRUE(frame) << e;
    EXPECT_LT(OrthonormalDeviation(*frame), 1e-12) << e;
    // The polar factor splits the skew between the two axes: x turns by
    // -e/2 toward y, y by +e/2 away from x; z stays.
    EXPECT_NEAR((*frame)[1][0], -e / 2, e * e + 1e-12) << e;
    EXPECT_NEAR((*frame)[0][1], e / 2, e * e + 1e-12) << e;
    EXPECT_NEAR((*frame)[2][2], 1, 1e-12);
  }
  EXPECT_FALSE(NearestOrthonormal(Skewed(0.011)));
  EXPECT_FALSE(NearestOrthonormal(Skewed(0.5)));
  // A flipped axis keeps its sense: the frame stays left-handed.
  const auto flipped = NearestOrthonormal({{{-1, 0.002, 0}, {0, 1, 0}, {0, 0, 1}}});
  ASSERT_TRUE(flipped);
  EXPECT_NEAR((*flipped)[0][0], -1, 1e-5);
}
