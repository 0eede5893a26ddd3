// The CPU mip chain against the literal model of the library's filter.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "render/texture_upload.h"
#include "tests/render/glu_filter_model.h"

namespace {

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(MipTargetSize, RoundsUpOnlyFromOneAndAHalfTimesThePowerBelow) {
  const int32_t cases[][2] = {{1, 1},     {3, 4},     {5, 4},     {6, 8},     {95, 64},
                              {96, 128},  {170, 128}, {172, 128}, {191, 128}, {192, 256}};
  for (const auto& c : cases) EXPECT_EQ(MipTargetSize(c[0]), c[1]) << c[0];
}

TEST(ClampToUnorm16, TruncatesInRangeAndClampsOutside) {
  const std::pair<float, int> cases[] = {{0.0f, 0},      {1.0f, 65535}, {0.25f, 16383},
                                         {0.99999f, 65534}, {1e10f, 65535}, {kInf, 65535},
                                         {-0.00001f, 0},    {-kInf, 0},     {kNaN, 0}};
  for (const auto& c : cases) EXPECT_EQ(ClampToUnorm16(c.first), c.second) << c.first;
}

TEST(MipChain, MatchesTheModelBitForBit) {
  // Shrinking (both cores, padded x taps, three taps, flat last levels), growing (boxes
  // wrap round the edges) and pass-through, with odd values a rescale must read clamped.
  const int32_t cases[][4] = {{12, 6, 20, 3},  {172, 172, 40, 1}, {170, 46, 90, 3}, {191, 5, 9, 1},
                              {100, 7, 3, 1},  {1, 3, 1, 3},      {32, 8, 16, 3},   {1, 1, 1, 1}};
  const float odd[] = {kNaN, kInf, -1e10f, 40000.0f, 1.0f, 1.00002f, -0.0f, 65536.0f / 65535.0f};
  MipChain chain;
  for (const auto& k : cases) {
    SCOPED_TRACE(::testing::Message() << k[0] << "x" << k[1] << "x" << k[2] << " of " << k[3]);
    std::mt19937 random(k[0]);
    std::vector<float> voxels(size_t{1} * k[0] * k[1] * k[2] * k[3]);
    for (float& v : voxels) v = std::uniform_real_distribution<float>(-0.2f, 1.2f)(random);
    for (size_t i = 1; i < voxels.size(); i += 7) voxels[i] = odd[(i / 7) % 8];
    chain.Build(voxels.data(), k[0], k[1], k[2], k[3]);
    const std::vector<ModelLevel> model = ModelMipChain(voxels, k[0], k[1], k[2], k[3]);
    ASSERT_EQ(chain.LevelCount(), static_cast<int32_t>(model.size()));
    for (int32_t i = 0; i < chain.LevelCount(); ++i) {
      const MipLevel level = chain.Level(i);
      const ModelLevel& want = model[static_cast<size_t>(i)];
      ASSERT_EQ(std::make_tuple(level.sizeX, level.sizeY, level.sizeZ),
                std::make_tuple(want.sizeX, want.sizeY, want.sizeZ)) << i;
      // Bitwise, so NaN must stay NaN where the model has it.
      EXPECT_EQ(std::memcmp(level.texels, want.texels.data(), want.texels.size() * 4), 0) << i;
    }
  }
}

}  // namespace
