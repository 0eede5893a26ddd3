// The mip chain's texels are compared with the library's in renderer_gl_test.
#include <gtest/gtest.h>

#include "render/texture_upload.h"

TEST(MipChain, RefusesSizesItCannotCount) {
  MipChain chain;
  const float voxel = 0.5f;
  const int32_t refused[][4] = {{0, 1, 1, 1}, {1, 1, 1, 0}, {1 << 30, 1, 1, 1},
                                {1 << 29, 1 << 29, 1 << 29, 1}};
  for (const auto& r : refused) EXPECT_FALSE(chain.Build(&voxel, r[0], r[1], r[2], r[3])) << r[0];
  EXPECT_EQ(chain.LevelCount(), 0);
  EXPECT_TRUE(chain.Build(&voxel, 1, 1, 1, 1));
  EXPECT_EQ(chain.LevelCount(), 1);
}
