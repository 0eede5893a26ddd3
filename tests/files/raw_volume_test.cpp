#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "render/raw_volume.h"
#include "tests/files/temp_file.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr float kSeventh = static_cast<float>(255 * kSevenPointToUnit);
// A voxel and its six face neighbours.
constexpr int kSevenPoints[7][3] = {{0, 0, 0},  {-1, 0, 0}, {1, 0, 0}, {0, -1, 0},
                                    {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};

size_t Index(int x, int y, int z, int k, int sx, int sy, int channels) {
  return static_cast<size_t>(channels) * ((static_cast<size_t>(z) * sy + y) * sx + x) + k;
}

std::vector<float> Smooth(const Bytes& bytes, int sx, int sy, int sz, int channels) {
  std::vector<float> out(bytes.size(), -1.0f);
  SmoothRawVolume(bytes.data(), sx, sy, sz, channels, out.data());
  return out;
}

Bytes RandomBytes(std::mt19937& random, size_t size, int lowest) {
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(lowest + random() % (256 - lowest));
  return bytes;
}

TEST(RawSmoothing, UniformVolumesStayUniform) {
  const size_t n = 128 * 128 * 128;
  EXPECT_EQ(Smooth(Bytes(n, 255), 128, 128, 128, 1), std::vector<float>(n, 1.0f));
  EXPECT_EQ(Smooth(Bytes(n, 0), 128, 128, 128, 1), std::vector<float>(n, 0.0f));
}

// An interior 255 spreads 1/7 to itself and its six neighbours; a face byte
// is only scaled, yet still feeds its interior neighbour. Only component 2
// of each voxel is touched.
TEST(RawSmoothing, InteriorSpikeSpreadsAndFaceVoxelIsOnlyScaled) {
  const int n = 9, c = 4, k = 2;
  Bytes bytes(static_cast<size_t>(n) * n * n * c, 0);
  bytes[Index(4, 4, 4, k, n, n, c)] = bytes[Index(0, 3, 4, k, n, n, c)] = 255;
  std::vector<float> expected(bytes.size(), 0.0f);
  for (const auto& [dx, dy, dz] : kSevenPoints)
    expected[Index(4 + dx, 4 + dy, 4 + dz, k, n, n, c)] = kSeventh;
  expected[Index(1, 3, 4, k, n, n, c)] = kSeventh;
  expected[Index(0, 3, 4, k, n, n, c)] = 1.0f;
  EXPECT_EQ(Smooth(bytes, n, n, n, c), expected);
  EXPECT_NEAR(kSeventh, 0.142857, 1e-6);
}

TEST(RawSmoothing, MatchesThePerVoxelDefinitionOnRandomVolumes) {
  std::mt19937 random(7);
  const int shapes[][4] = {{5, 4, 3, 1}, {6, 7, 5, 4}, {1, 5, 5, 1}, {2, 3, 9, 4},
                           {3, 3, 3, 1}, {17, 2, 4, 1}, {1, 1, 1, 4}};
  for (const auto& [sx, sy, sz, c] : shapes) {
    SCOPED_TRACE(testing::Message() << sx << "x" << sy << "x" << sz << " c" << c);
    const Bytes b = RandomBytes(random, RawElementCount(sx, sy, sz, c), 0);
    std::vector<float> expected(b.size());
    for (int z = 0; z < sz; ++z)
      for (int y = 0; y < sy; ++y)
        for (int x = 0; x < sx; ++x)
          for (int k = 0; k < c; ++k) {
            const size_t i = Index(x, y, z, k, sx, sy, c);
            const bool border =
                x == 0 || y == 0 || z == 0 || x == sx - 1 || y == sy - 1 || z == sz - 1;
            int sum = 0;
            for (const auto& [dx, dy, dz] : kSevenPoints)
              sum += border ? 0 : b[Index(x + dx, y + dy, z + dz, k, sx, sy, c)];
            expected[i] = static_cast<float>(border ? b[i] * kByteToUnit : sum * kSevenPointToUnit);
          }
    EXPECT_EQ(Smooth(b, sx, sy, sz, c), expected);
  }
}

// The memory source meets short files in the random sampling test below.
TEST(RawReading, ShortFilesReadZeroPastTheEnd) {
  std::FILE* f = std::fopen(WriteTempFile("raw_short.raw", {10, 20, 30, 40, 50}).c_str(), "rb");
  ASSERT_NE(f, nullptr);
  Bytes whole(8, 0xEE), span(4, 0xEE);
  ReadRawBytes(f, whole.data(), whole.size());
  EXPECT_EQ(whole, (Bytes{10, 20, 30, 40, 50, 0, 0, 0}));
  RawFileSource source(f);
  source.ReadSpan(3, span.size(), span.data());
  EXPECT_EQ(span, (Bytes{40, 50, 0, 0}));
  source.ReadSpan(100, span.size(), span.data());
  EXPECT_EQ(span, (Bytes{0, 0, 0, 0}));
  source.ReadSpan(1, 2, span.data());
  EXPECT_EQ(span, (Bytes{20, 30, 0, 0}));
  std::fclose(f);
}

TEST(SubVolumeSampling, VoxelsOutsideTheFileAreZeroAndCoordinatesTruncate) {
  std::mt19937 random(5);
  const Bytes file = RandomBytes(random, 1000, 1);
  RawMemorySource source(file.data(), file.size());
  // From origin (-2, 8, 3) in a 10^3 file, target x 0..1 fall below the box
  // and y 2..4 past it; neither may wrap into a neighbouring row or plane.
  std::vector<float> out(125, -1.0f);
  SampleSubVolume(source, RawFileBox{10, 10, 10}, SubVolumeWindow{-2, 8, 3, 1.0f, 1.0f, 1.0f}, 5,
                  5, 5, 1, out.data());
  std::vector<float> expected(125, 0.0f);
  for (int z = 0; z < 5; ++z)
    for (int y = 0; y <= 1; ++y)
      for (int x = 2; x < 5; ++x)
        expected[Index(x, y, z, 0, 5, 5, 1)] =
            static_cast<float>(file[Index(x - 2, y + 8, z + 3, 0, 10, 10, 1)] * kByteToUnit);
  EXPECT_EQ(out, expected);
  EXPECT_EQ(SubVolumeFileCoordinate(5, -1.5f, 0), -7);  // toward zero, not down
}

// Random boxes, windows (negative steps and origins included), short files
// and channel counts: the row-span sampler must equal one bounded read per
// voxel.
TEST(SubVolumeSampling, RowSpansMatchPerVoxelReadsOnRandomWindows) {
  std::mt19937 random(11);
  auto between = [&](int lo, int hi) {
    return lo + static_cast<int>(random() % static_cast<unsigned>(hi - lo + 1));
  };
  for (int trial = 0; trial < 400; ++trial) {
    SCOPED_TRACE(testing::Message() << "trial " << trial);
    const RawFileBox box{between(1, 20), between(1, 20), between(1, 20)};
    const size_t full = RawElementCount(box.sizeX, box.sizeY, box.sizeZ, 1);
    const Bytes file = RandomBytes(random, trial % 4 == 0 ? full / 2 : full, 1);
    const int sx = between(1, 12), sy = between(1, 12), sz = between(1, 12);
    const int c = trial % 3 == 0 ? 4 : 1;
    const SubVolumeWindow w{between(-25, 25), between(-25, 25), between(-25, 25),
                            SubVolumeStep(between(-40, 60), sx),
                            SubVolumeStep(between(-40, 60), sy),
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
          for (int k = 0; k < c; ++k)
            expected[Index(x, y, z, k, sx, sy, c)] = static_cast<float>(byte * kByteToUnit);
        }
    ASSERT_EQ(out, expected);
  }
}

}  // namespace
