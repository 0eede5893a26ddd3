#include <gtest/gtest.h>

#include "render/slice_geometry.h"

TEST(SliceGeometry, StacksOf200RunHalfAVoxelInsideTheFaces) {
  for (const int32_t side : {128, 172}) {
    const float h = 100.0f / side;
    const std::vector<SlicePlacement> stack = PlanSliceStack(200, side);
    ASSERT_EQ(stack.size(), 200u);
    EXPECT_FLOAT_EQ(stack.front().z, h - 100.0f) << side;
    EXPECT_FLOAT_EQ(stack.back().z, 100.0f - h) << side;
    EXPECT_EQ(stack.front().r, 1.0f);
    EXPECT_NEAR(stack.back().r, 0.005f, 1e-7);  // steps of 1/N: never 0
    for (size_t i = 1; i < stack.size(); ++i) ASSERT_GT(stack[i].z, stack[i - 1].z);
  }
  EXPECT_EQ(PlanSliceStack(200, 128).front().z, -99.21875f);
  EXPECT_DOUBLE_EQ(BoxHalfExtent(128), 89.21875);
  EXPECT_NEAR(BoxHalfExtent(172), 89.4186046511628, 1e-12);
}

TEST(SliceGeometry, DegenerateCounts) {
  EXPECT_TRUE(PlanSliceStack(0, 128).empty());
  EXPECT_TRUE(PlanSliceStack(-5, 128).empty());
  const std::vector<SlicePlacement> one = PlanSliceStack(1, 128), two = PlanSliceStack(2, 128);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].z, 0.0f);  // no 0/0 spacing
  EXPECT_EQ(one[0].r, 1.0f);
  EXPECT_EQ(two[0].z, -99.21875f);
  EXPECT_EQ(two[1].z, 99.21875f);
  EXPECT_EQ(two[1].r, 0.5f);
}
