// The CPU mip chain against the literal model of the library's filter, and
// the library's rules the experiments established.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/texture_upload.h"
#include "tests/upload/glu_filter_model.h"

namespace {

TEST(MipTargetSize, RoundsToAPowerOfTwoFromOneAndAHalfTimesTheOneBelow) {
  // Observed with gluBuild3DMipmaps: {voxels, texels}.
  const int32_t cases[][2] = {{1, 1},     {2, 2},     {3, 4},     {5, 4},    {6, 8},
                              {11, 8},    {12, 16},   {23, 16},   {24, 32},  {90, 64},
                              {95, 64},   {96, 128},  {128, 128}, {130, 128}, {170, 128},
                              {172, 128}, {191, 128}, {192, 256}, {383, 256}, {384, 512},
                              {1500, 1024}};
  for (const auto& c : cases) EXPECT_EQ(MipTargetSize(c[0]), c[1]) << c[0];
}

TEST(ClampToUnorm16, TruncatesInRangeAndClampsOutside) {
  EXPECT_EQ(ClampToUnorm16(0.0f), 0);
  EXPECT_EQ(ClampToUnorm16(1.0f), 65535);
  EXPECT_EQ(ClampToUnorm16(0.25f), 16383);  // 16383.75 truncated
  EXPECT_EQ(ClampToUnorm16(0.99999f), 65534);
  const float inf = std::numeric_limits<float>::infinity();
  for (float above : {1.5f, 2.0f, 40000.0f, 1e10f, inf}) EXPECT_EQ(ClampToUnorm16(above), 65535) << above;
  for (float below : {-0.00001f, -0.07f, -1e10f, -inf, std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_EQ(ClampToUnorm16(below), 0) << below;
  }
}

std::vector<float> RandomVolume(size_t count, unsigned seed, float low, float high) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(low, high);
  std::vector<float> voxels(count);
  for (float& v : voxels) v = value(random);
  return voxels;
}

void ExpectSameAsModel(int32_t nx, int32_t ny, int32_t nz, int32_t c,
                       const std::vector<float>& voxels) {
  SCOPED_TRACE(::testing::Message() << nx << "x" << ny << "x" << nz << " components " << c);
  MipChain chain;
  chain.Build(voxels.data(), nx, ny, nz, c);
  const std::vector<ModelLevel> model = ModelMipChain(voxels, nx, ny, nz, c);
  ASSERT_EQ(chain.LevelCount(), static_cast<int32_t>(model.size()));
  for (int32_t i = 0; i < chain.LevelCount(); ++i) {
    const MipLevel level = chain.Level(i);
    const ModelLevel& expected = model[static_cast<size_t>(i)];
    ASSERT_EQ(level.sizeX, expected.sizeX) << "level " << i;
    ASSERT_EQ(level.sizeY, expected.sizeY) << "level " << i;
    ASSERT_EQ(level.sizeZ, expected.sizeZ) << "level " << i;
    size_t differing = 0;
    for (size_t n = 0; n < expected.texels.size(); ++n) {
      // Bitwise: NaN must stay NaN where the model has it.
      if (std::memcmp(&level.texels[n], &expected.texels[n], sizeof(float)) != 0) ++differing;
    }
    EXPECT_EQ(differing, 0u) << "level " << i;
  }
}

TEST(MipChain, MatchesTheModelBitForBitWhenShrinking) {
  // Both cores, padded x taps, three taps on some axes, flat last levels.
  ExpectSameAsModel(172, 172, 40, 1, RandomVolume(172 * 172 * 40, 1, -0.5f, 2.5f));
  ExpectSameAsModel(170, 46, 90, 3, RandomVolume(170 * 46 * 90 * 3, 2, 0.0f, 1.0f));
  ExpectSameAsModel(191, 5, 9, 1, RandomVolume(191 * 5 * 9, 3, -3.0f, 3.0f));
}

TEST(MipChain, MatchesTheModelWhenGrowingAndWrappingRoundTheEdges) {
  // Growing boxes reach past the first voxel and read the last one.
  ExpectSameAsModel(12, 6, 20, 3, RandomVolume(12 * 6 * 20 * 3, 4, -0.5f, 1.5f));
  ExpectSameAsModel(100, 7, 3, 1, RandomVolume(100 * 7 * 3, 5, 0.0f, 1.0f));
  ExpectSameAsModel(1, 3, 1, 3, RandomVolume(1 * 3 * 1 * 3, 6, 0.0f, 1.0f));
}

TEST(MipChain, PassesPowerOfTwoVolumesThroughUnwrapped) {
  std::vector<float> voxels = RandomVolume(32 * 8 * 16 * 3, 7, -0.5f, 1.7f);
  voxels[5] = std::numeric_limits<float>::quiet_NaN();
  voxels[9] = 1e10f;
  ExpectSameAsModel(32, 8, 16, 3, voxels);
  MipChain chain;
  chain.Build(voxels.data(), 32, 8, 16, 3);
  EXPECT_EQ(chain.Level(0).texels, voxels.data());  // no copy of level 0
  ExpectSameAsModel(1, 1, 1, 1, {0.3f});
}

TEST(MipChain, OddValuesReadClamped) {
  std::vector<float> voxels(24 * 3 * 5, 0.5f);
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(),
                       std::numeric_limits<float>::infinity(), -1e10f, 40000.0f, 1.0f,
                       1.00002f, -0.0f, 65536.0f / 65535.0f};
  for (size_t i = 0; i < voxels.size(); i += 3) voxels[i] = odd[(i / 3) % 8];
  ExpectSameAsModel(24, 3, 5, 1, voxels);
}

TEST(MipChain, RebuildsInPlaceForTheSameSize) {
  MipChain chain;
  const std::vector<float> first = RandomVolume(90 * 20 * 11, 8, 0.0f, 1.0f);
  const std::vector<float> second = RandomVolume(90 * 20 * 11, 9, 0.0f, 1.0f);
  chain.Build(first.data(), 90, 20, 11, 1);
  const float* top = chain.Level(0).texels;
  const float* bottom = chain.Level(chain.LevelCount() - 1).texels;
  chain.Build(second.data(), 90, 20, 11, 1);
  EXPECT_EQ(chain.Level(0).texels, top);
  EXPECT_EQ(chain.Level(chain.LevelCount() - 1).texels, bottom);
  ExpectSameAsModel(90, 20, 11, 1, second);  // nothing left over from the first volume
  // A larger volume after a smaller one, in the same chain.
  const std::vector<float> larger = RandomVolume(130 * 40 * 24, 10, 0.0f, 1.0f);
  chain.Build(larger.data(), 130, 40, 24, 1);
  const std::vector<ModelLevel> model = ModelMipChain(larger, 130, 40, 24, 1);
  EXPECT_EQ(std::memcmp(chain.Level(0).texels, model[0].texels.data(),
                        model[0].texels.size() * sizeof(float)),
            0);
}

}  // namespace
