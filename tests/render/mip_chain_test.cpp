// The pure parts of the mip chain; its texels are compared with the library's in upload_gl_test.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "render/texture_upload.h"

TEST(MipChain, TargetSizesReadValuesAndRefusedSizes) {
  const int32_t sizes[][2] = {{1, 1},    {3, 4},     {5, 4},     {6, 8},     {95, 64},
                              {96, 128}, {172, 128}, {191, 128}, {192, 256}, {1 << 29, 1 << 29}};
  for (const auto& s : sizes) EXPECT_EQ(MipTargetSize(s[0]), s[1]) << s[0];
  const std::pair<float, int> reads[] = {{0.0f, 0},      {1.0f, 65535},      {0.25f, 16383},
                                         {0.99999f, 65534}, {1e10f, 65535}, {INFINITY, 65535},
                                         {-0.00001f, 0},    {-INFINITY, 0}, {NAN, 0}};
  for (const auto& r : reads) EXPECT_EQ(ClampToUnorm16(r.first), r.second) << r.first;
  MipChain chain;
  const float voxel = 0.5f;
  const int32_t refused[][4] = {{0, 1, 1, 1}, {1, 1, 1, 0}, {1 << 30, 1, 1, 1},
                                {1 << 29, 1 << 29, 1 << 29, 1}};
  for (const auto& r : refused) EXPECT_FALSE(chain.Build(&voxel, r[0], r[1], r[2], r[3])) << r[0];
  EXPECT_EQ(chain.LevelCount(), 0);
  EXPECT_TRUE(chain.Build(&voxel, 1, 1, 1, 1));
}
