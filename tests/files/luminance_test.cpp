// Colour voxels to luminance with the Rec. 709 weights, alpha left out.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "files/luminance.h"

TEST(Luminance, Rec709WeightsForEachPrimaryAndGreyAndAlphaIgnored) {
  const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 100, 100, 100};
  std::vector<float> out(4);
  ColourToLuminance(rgb, VoxelType::UInt8, 3, 4, out.data());
  EXPECT_FLOAT_EQ(out[0], 0.2126f * 255);
  EXPECT_FLOAT_EQ(out[1], 0.7152f * 255);
  EXPECT_FLOAT_EQ(out[2], 0.0722f * 255);
  EXPECT_FLOAT_EQ(out[3], 100.0f);  // the weights sum to 1
  const uint16_t rgba[] = {1000, 2000, 3000, 65535, 0, 0, 0, 7};
  ColourToLuminance(reinterpret_cast<const uint8_t*>(rgba), VoxelType::UInt16, 4, 2, out.data());
  EXPECT_FLOAT_EQ(out[0], static_cast<float>(0.2126 * 1000 + 0.7152 * 2000 + 0.0722 * 3000));
  EXPECT_FLOAT_EQ(out[1], 0.0f);
}
