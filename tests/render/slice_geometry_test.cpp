// The stack's positions themselves are read back from the slice list in renderer_gl_test.
#include <gtest/gtest.h>

#include "render/slice_geometry.h"

TEST(SliceGeometry, NoSliceCountDividesByZero) {
  EXPECT_TRUE(PlanSliceStack(0, 128).empty() && PlanSliceStack(-5, 128).empty());
  const std::vector<SlicePlacement> one = PlanSliceStack(1, 128), two = PlanSliceStack(2, 128);
  ASSERT_TRUE(one.size() == 1 && two.size() == 2);
  EXPECT_TRUE(one[0].z == 0.0f && one[0].r == 1.0f);  // a lone slice in the middle, not at 0/0
  EXPECT_TRUE(two[0].z == -99.21875f && two[1].z == 99.21875f && two[1].r == 0.5f);
}
