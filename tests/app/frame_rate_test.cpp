#include "app/frame_rate.h"

#include <gtest/gtest.h>

TEST(FrameRate, OneFrameInverted) {
  EXPECT_DOUBLE_EQ(FrameRate(1040, 1000, 0.0), 25.0);
  // The first frame measures from the start of GLUT.
  EXPECT_DOUBLE_EQ(FrameRate(200, 0, 0.0), 5.0);
}

TEST(FrameRate, SameMillisecondKeepsThePreviousRate) {
  EXPECT_DOUBLE_EQ(FrameRate(1000, 1000, 25.0), 25.0);
  EXPECT_DOUBLE_EQ(FrameRate(0, 0, 0.0), 0.0);
}
