// The CPU mip chain against the literal model of the library's filter.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "render/texture_upload.h"
#include "tests/upload/glu_filter_model.h"

namespace {

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(MipTargetSize, RoundsUpOnlyFromOneAndAHalfTimesThePowerBelow) {
  // Observed with gluBuild3DMipmaps: {voxels, texels}.
  const int32_t cases[][2] = {{1, 1},     {2, 2},     {3, 4},     {5, 4},     {6, 8},
                              {11, 8},    {12, 16},   {95, 64},   {96, 128},  {128, 128},
                              {130, 128}, {170, 128}, {172, 128}, {191, 128}, {192, 256},
                              {383, 256}, {384, 512}, {1500, 1024}};
  for (const auto& c : cases) EXPECT_EQ(MipTargetSize(c[0]), c[1]) << c[0];
}

TEST(ClampToUnorm16, TruncatesInRangeAndClampsOutside) {
  const std::pair<float, int> cases[] = {
      {0.0f, 0},      {1.0f, 65535}, {0.25f, 16383} /* 16383.75 */, {0.99999f, 65534},
      {1.5f, 65535},  {1e10f, 65535}, {kInf, 65535}, {-0.00001f, 0}, {-1e10f, 0}, {-kInf, 0},
      {kNaN, 0}};
  for (const auto& c : cases) EXPECT_EQ(ClampToUnorm16(c.first), c.second) << c.first;
}

// Mostly inside [0, 1], some outside.
std::vector<float> RandomVolume(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(-0.2f, 1.2f);
  std::vector<float> voxels(count);
  for (float& v : voxels) v = value(random);
  return voxels;
}

void ExpectSameAsModel(MipChain& chain, int32_t nx, int32_t ny, int32_t nz, int32_t c,
                       const std::vector<float>& voxels) {
  SCOPED_TRACE(::testing::Message() << nx << "x" << ny << "x" << nz << " components " << c);
  chain.Build(voxels.data(), nx, ny, nz, c);
  const std::vector<ModelLevel> model = ModelMipChain(voxels, nx, ny, nz, c);
  ASSERT_EQ(chain.LevelCount(), static_cast<int32_t>(model.size()));
  for (int32_t i = 0; i < chain.LevelCount(); ++i) {
    const MipLevel level = chain.Level(i);
    const ModelLevel& expected = model[static_cast<size_t>(i)];
    ASSERT_EQ(std::make_tuple(level.sizeX, level.sizeY, level.sizeZ),
              std::make_tuple(expected.sizeX, expected.sizeY, expected.sizeZ)) << "level " << i;
    // Bitwise, so NaN must stay NaN where the model has it.
    EXPECT_EQ(std::memcmp(level.texels, expected.texels.data(), expected.texels.size() * 4), 0)
        << "level " << i;
  }
}

TEST(MipChain, MatchesTheModelBitForBit) {
  // Shrinking (both cores, padded x taps, three taps, flat last levels),
  // growing (boxes wrap round the edges) and power-of-two pass-through, all
  // in one chain, with odd values that a rescale must read clamped.
  const int32_t cases[][4] = {{12, 6, 20, 3},  {172, 172, 40, 1}, {170, 46, 90, 3}, {191, 5, 9, 1},
                              {100, 7, 3, 1},  {1, 3, 1, 3},      {32, 8, 16, 3},   {1, 1, 1, 1}};
  const float odd[] = {kNaN, kInf, -1e10f, 40000.0f, 1.0f, 1.00002f, -0.0f, 65536.0f / 65535.0f};
  MipChain chain;
  for (const auto& k : cases) {
    std::vector<float> voxels = RandomVolume(static_cast<size_t>(k[0]) * k[1] * k[2] * k[3], k[0]);
    for (size_t i = 1; i < voxels.size(); i += 7) voxels[i] = odd[(i / 7) % 8];
    ExpectSameAsModel(chain, k[0], k[1], k[2], k[3], voxels);
    if (k[0] == 32) {
      EXPECT_EQ(chain.Level(0).texels, voxels.data()) << "level 0 was copied";
    }
  }
}

TEST(MipChain, RebuildsTheSameSizeInPlace) {
  MipChain chain;
  ExpectSameAsModel(chain, 90, 20, 11, 1, RandomVolume(90 * 20 * 11, 20));
  const float* top = chain.Level(0).texels;
  const float* bottom = chain.Level(chain.LevelCount() - 1).texels;
  ExpectSameAsModel(chain, 90, 20, 11, 1, RandomVolume(90 * 20 * 11, 21));
  EXPECT_EQ(chain.Level(0).texels, top);
  EXPECT_EQ(chain.Level(chain.LevelCount() - 1).texels, bottom);
}

}  // namespace
