#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "files/raw_volume.h"
#include "tests/files/temp_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

size_t Index(int x, int y, int z, int k, int sx, int sy, int channels) {
  return static_cast<size_t>(channels) * ((static_cast<size_t>(z) * sy + y) * sx + x) + k;
}

// A uniform full volume stays at 1. An interior 255 spreads 1/7 to itself and its six
// neighbours; a face byte is only scaled, yet feeds its interior neighbour.
TEST(RawSmoothing, UniformStaysAndSpikesSpreadOnlyInTheirOwnComponent) {
  const size_t full = 128 * 128 * 128;
  std::vector<float> smoothed(full, -1.0f);
  SmoothRawVolume(Bytes(full, 255).data(), 128, 128, 128, 1, smoothed.data());
  EXPECT_EQ(smoothed, std::vector<float>(full, 1.0f));
  const int n = 9, c = 4, k = 2;
  const float seventh = static_cast<float>(255 * kSevenPointToUnit);
  Bytes bytes(static_cast<size_t>(n) * n * n * c, 0);
  bytes[Index(4, 4, 4, k, n, n, c)] = bytes[Index(0, 3, 4, k, n, n, c)] = 255;
  std::vector<float> expected(bytes.size(), 0.0f);
  for (const auto& [x, y, z] : {std::array<int, 3>{4, 4, 4}, {3, 4, 4}, {5, 4, 4}, {4, 3, 4},
                                {4, 5, 4}, {4, 4, 3}, {4, 4, 5}, {1, 3, 4}})
    expected[Index(x, y, z, k, n, n, c)] = seventh;
  expected[Index(0, 3, 4, k, n, n, c)] = 1.0f;
  smoothed.assign(bytes.size(), -1.0f);
  SmoothRawVolume(bytes.data(), n, n, n, c, smoothed.data());
  EXPECT_EQ(smoothed, expected);
}

// Sizes from a caller: a product that cannot be addressed is 0, never wrapped.
// What a short file lacks reads as 0; the loaders' tests check the counts.
TEST(RawReading, ElementCountRefusesOverflowAndShortReadsFillZero) {
  EXPECT_EQ(RawElementCount(1024, 1024, 741, 4), size_t{1024} * 1024 * 741 * 4);
  EXPECT_EQ(RawElementCount(INT32_MAX, INT32_MAX, INT32_MAX, 4), 0u);
  EXPECT_EQ(RawElementCount(1 << 21, 1 << 21, 1 << 21, 1), 0u);
  EXPECT_EQ(RawElementCount(128, -1, 128, 1), 0u);
  float voxel = 0;
  RawMemorySource none(nullptr, 0);
  EXPECT_TRUE(SampleSubVolume(none, {INT32_MAX, INT32_MAX, 4}, {}, 1, 1, 1, 1, &voxel).failed);

  std::FILE* f = std::fopen(WriteTempFile("raw_short.raw", {10, 20, 30, 40, 50}).c_str(), "rb");
  Bytes bytes(8, 0xEE);
  ReadRawBytes(f, bytes.data(), bytes.size());
  EXPECT_EQ(bytes, (Bytes{10, 20, 30, 40, 50, 0, 0, 0}));
  RawFileSource(f).ReadSpan(3, 4, bytes.data());
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{40, 50, 0, 0}));
  std::fclose(f);
}

// Random boxes, windows (negative, partly outside), short files, channel counts:
// row spans must equal one bounded read per voxel, 0 outside the box or file.
TEST(SubVolumeSampling, RowSpansMatchPerVoxelReadsOnRandomWindows) {
  EXPECT_EQ(SubVolumeFileCoordinate(5, -1.5f, 0), -7);  // toward zero, not down
  std::mt19937 random(11);
  auto between = [&](int lo, int hi) { return lo + static_cast<int>(random() % unsigned(hi - lo + 1)); };
  for (int trial = 0; trial < 400; ++trial) {
    const RawFileBox box{between(1, 20), between(1, 20), between(1, 20)};
    Bytes file(RawElementCount(box.sizeX, box.sizeY, box.sizeZ, 1) / (trial % 4 == 0 ? 2 : 1));
    for (auto& b : file) b = static_cast<uint8_t>(between(1, 255));
    const int sx = between(1, 12), sy = between(1, 12), sz = between(1, 12);
    const int c = trial % 3 == 0 ? 4 : 1;
    const SubVolumeWindow w{between(-25, 25), between(-25, 25), between(-25, 25),
                            SubVolumeStep(between(-40, 60), sx), SubVolumeStep(between(-40, 60), sy),
                            SubVolumeStep(between(-40, 60), sz)};
    RawMemorySource source(file.data(), file.size());
    std::vector<float> out(RawElementCount(sx, sy, sz, c), -1.0f), expected(out.size());
    SampleSubVolume(source, box, w, sx, sy, sz, c, out.data());
    for (int z = 0; z < sz; ++z)
      for (int y = 0; y < sy; ++y)
        for (int x = 0; x < sx; ++x) {
          const int64_t fz = SubVolumeFileCoordinate(z, w.stepZ, w.originZ);
          const int64_t fy = SubVolumeFileCoordinate(y, w.stepY, w.originY);
          const int64_t fx = SubVolumeFileCoordinate(x, w.stepX, w.originX);
          const bool inBox = fx >= 0 && fy >= 0 && fz >= 0 && fx < box.sizeX &&
                             fy < box.sizeY && fz < box.sizeZ;
          const size_t at = inBox ? static_cast<size_t>((fz * box.sizeY + fy) * box.sizeX + fx) : 0;
          const uint8_t byte = inBox && at < file.size() ? file[at] : 0;
          std::fill_n(&expected[Index(x, y, z, 0, sx, sy, c)], c, float(byte * kByteToUnit));
        }
    ASSERT_EQ(out, expected) << "trial " << trial;
  }
}

}  // namespace
