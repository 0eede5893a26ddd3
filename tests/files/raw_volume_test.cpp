#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "render/raw_volume.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr float kSeventh = static_cast<float>(255 * kSevenPointToUnit);

size_t Index(int x, int y, int z, int k, int sx, int sy, int channels) {
  return static_cast<size_t>(channels) * ((static_cast<size_t>(z) * sy + y) * sx + x) + k;
}

std::vector<float> Smooth(const Bytes& bytes, int sx, int sy, int sz, int channels) {
  std::vector<float> out(bytes.size(), -1.0f);
  SmoothRawVolume(bytes.data(), sx, sy, sz, channels, out.data());
  return out;
}

TEST(RawSmoothing, UniformVolumesStayUniform) {
  const int n = 128;
  const std::vector<float> full = Smooth(Bytes(n * n * n, 255), n, n, n, 1);
  for (size_t i = 0; i < full.size(); ++i) ASSERT_EQ(full[i], 1.0f) << i;
  const std::vector<float> empty = Smooth(Bytes(n * n * n, 0), n, n, n, 1);
  for (size_t i = 0; i < empty.size(); ++i) ASSERT_EQ(empty[i], 0.0f) << i;
}

TEST(RawSmoothing, InteriorSpikeSpreadsToItsSixNeighbours) {
  const int n = 9, channels = 4, k = 2;
  Bytes bytes(static_cast<size_t>(n) * n * n * channels, 0);
  bytes[Index(4, 4, 4, k, n, n, channels)] = 255;
  const std::vector<float> out = Smooth(bytes, n, n, n, channels);
  const int near[7][3] = {{4, 4, 4}, {3, 4, 4}, {5, 4, 4}, {4, 3, 4},
                          {4, 5, 4}, {4, 4, 3}, {4, 4, 5}};
  size_t touched = 0;
  for (const auto& v : near) {
    EXPECT_NEAR(out[Index(v[0], v[1], v[2], k, n, n, channels)], 1.0 / 7.0, 1e-7);
    EXPECT_EQ(out[Index(v[0], v[1], v[2], k, n, n, channels)], kSeventh);
  }
  for (float value : out) touched += value != 0.0f;
  EXPECT_EQ(touched, 7u);  // other components and voxels stay 0
}

TEST(RawSmoothing, FaceVoxelsAreOnlyScaled) {
  const int n = 8;
  Bytes bytes(n * n * n, 0);
  bytes[Index(0, 3, 4, 0, n, n, 1)] = 255;
  const std::vector<float> out = Smooth(bytes, n, n, n, 1);
  EXPECT_EQ(out[Index(0, 3, 4, 0, n, n, 1)], 1.0f);
  EXPECT_EQ(out[Index(1, 3, 4, 0, n, n, 1)], kSeventh);
  EXPECT_EQ(out[Index(0, 2, 4, 0, n, n, 1)], 0.0f);
  EXPECT_EQ(out[Index(0, 3, 5, 0, n, n, 1)], 0.0f);
}

// Straightforward per-voxel average, the definition the fast loop must match.
std::vector<float> ReferenceSmooth(const Bytes& b, int sx, int sy, int sz, int c) {
  std::vector<float> out(b.size());
  for (int z = 0; z < sz; ++z)
    for (int y = 0; y < sy; ++y)
      for (int x = 0; x < sx; ++x)
        for (int k = 0; k < c; ++k) {
          const size_t i = Index(x, y, z, k, sx, sy, c);
          if (x == 0 || y == 0 || z == 0 || x == sx - 1 || y == sy - 1 || z == sz - 1) {
            out[i] = static_cast<float>(b[i] * kByteToUnit);
            continue;
          }
          const int sum = b[i] + b[Index(x - 1, y, z, k, sx, sy, c)] +
                          b[Index(x + 1, y, z, k, sx, sy, c)] + b[Index(x, y - 1, z, k, sx, sy, c)] +
                          b[Index(x, y + 1, z, k, sx, sy, c)] + b[Index(x, y, z - 1, k, sx, sy, c)] +
                          b[Index(x, y, z + 1, k, sx, sy, c)];
          out[i] = static_cast<float>(sum * kSevenPointToUnit);
        }
  return out;
}

TEST(RawSmoothing, MatchesPerVoxelDefinitionOnRandomVolumes) {
  std::mt19937 random(7);
  const int shapes[][4] = {{5, 4, 3, 1}, {6, 7, 5, 4}, {1, 5, 5, 1}, {2, 3, 9, 4},
                           {3, 3, 3, 1}, {17, 2, 4, 1}, {1, 1, 1, 4}};
  for (const auto& s : shapes) {
    SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1] << "x" << s[2] << " c" << s[3]);
    Bytes bytes(RawElementCount(s[0], s[1], s[2], s[3]));
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    EXPECT_EQ(Smooth(bytes, s[0], s[1], s[2], s[3]), ReferenceSmooth(bytes, s[0], s[1], s[2], s[3]));
  }
}

TEST(RawReading, ShortFilesAndSpansReadZeroPastTheEnd) {
  const std::string path = testing::TempDir() + "raw_short.raw";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  const Bytes content{10, 20, 30, 40, 50};
  std::fwrite(content.data(), 1, content.size(), f);
  std::fclose(f);

  f = std::fopen(path.c_str(), "rb");
  Bytes whole(8, 0xEE);
  ReadRawBytes(f, whole.data(), whole.size());
  EXPECT_EQ(whole, (Bytes{10, 20, 30, 40, 50, 0, 0, 0}));

  RawFileSource file(f);
  RawMemorySource memory(content.data(), content.size());
  for (RawByteSource* source : {static_cast<RawByteSource*>(&file),
                                static_cast<RawByteSource*>(&memory)}) {
    Bytes span(4, 0xEE);
    source->ReadSpan(3, span.size(), span.data());
    EXPECT_EQ(span, (Bytes{40, 50, 0, 0}));
    source->ReadSpan(100, span.size(), span.data());
    EXPECT_EQ(span, (Bytes{0, 0, 0, 0}));
    source->ReadSpan(1, 2, span.data());
    EXPECT_EQ(span, (Bytes{20, 30, 0, 0}));
  }
  std::fclose(f);
}

TEST(SubVolumeSampling, StepsAreSinglePrecisionQuotients) {
  char line[64];
  std::snprintf(line, sizeof line, "%f", SubVolumeStep(1024, 128));
  EXPECT_STREQ(line, "8.000000");
  std::snprintf(line, sizeof line, "%f", SubVolumeStep(1024, 170));
  EXPECT_STREQ(line, "6.023530");
  EXPECT_EQ(SubVolumeFileCoordinate(5, -1.5f, 0), -7);  // truncated toward zero
}

Bytes RandomFile(std::mt19937& random, size_t size) {
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(1 + random() % 255);  // never 0
  return bytes;
}

TEST(SubVolumeSampling, VoxelsOutsideTheFileAreZeroOnEveryAxis) {
  std::mt19937 random(5);
  const RawFileBox box{10, 10, 10};
  const Bytes file = RandomFile(random, 1000);
  RawMemorySource source(file.data(), file.size());
  // Step 1 from origin (-2, 8, 3) onto 5 voxels: x 0..1 below the box, y 10..12
  // past it; neither may wrap into a neighbouring row or plane.
  const SubVolumeWindow window{-2, 8, 3, 1.0f, 1.0f, 1.0f};
  std::vector<float> out(125, -1.0f);
  SampleSubVolume(source, box, window, 5, 5, 5, 1, out.data());
  for (int z = 0; z < 5; ++z)
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) {
        const bool inside = x >= 2 && y <= 1;
        const float value = out[Index(x, y, z, 0, 5, 5, 1)];
        if (inside) {
          EXPECT_EQ(value, static_cast<float>(
                               file[Index(x - 2, y + 8, z + 3, 0, 10, 10, 1)] * kByteToUnit));
        } else {
          EXPECT_EQ(value, 0.0f) << x << " " << y << " " << z;
        }
      }
}

// One read per voxel with explicit bounds: the definition the row-span
// sampler must reproduce exactly.
std::vector<float> ReferenceSample(const Bytes& file, const RawFileBox& box,
                                   const SubVolumeWindow& w, int sx, int sy, int sz, int c) {
  std::vector<float> out(RawElementCount(sx, sy, sz, c));
  for (int z = 0; z < sz; ++z)
    for (int y = 0; y < sy; ++y)
      for (int x = 0; x < sx; ++x) {
        const int64_t fz = SubVolumeFileCoordinate(z, w.stepZ, w.originZ);
        const int64_t fy = SubVolumeFileCoordinate(y, w.stepY, w.originY);
        const int64_t fx = SubVolumeFileCoordinate(x, w.stepX, w.originX);
        uint8_t byte = 0;
        if (fx >= 0 && fy >= 0 && fz >= 0 && fx < box.sizeX && fy < box.sizeY &&
            fz < box.sizeZ) {
          const size_t position = static_cast<size_t>((fz * box.sizeY + fy) * box.sizeX + fx);
          if (position < file.size()) byte = file[position];
        }
        for (int k = 0; k < c; ++k)
          out[Index(x, y, z, k, sx, sy, c)] = static_cast<float>(byte * kByteToUnit);
      }
  return out;
}

TEST(SubVolumeSampling, RowSpansMatchPerVoxelReadsOnRandomWindows) {
  std::mt19937 random(11);
  auto between = [&](int lo, int hi) {
    return lo + static_cast<int>(random() % static_cast<unsigned>(hi - lo + 1));
  };
  for (int trial = 0; trial < 400; ++trial) {
    const RawFileBox box{between(1, 20), between(1, 20), between(1, 20)};
    const size_t full = RawElementCount(box.sizeX, box.sizeY, box.sizeZ, 1);
    // Every fourth file is short, as a truncated download would be.
    const Bytes file = RandomFile(random, trial % 4 == 0 ? full / 2 : full);
    const int sx = between(1, 12), sy = between(1, 12), sz = between(1, 12);
    const int channels = trial % 3 == 0 ? 4 : 1;
    const SubVolumeWindow window{between(-25, 25), between(-25, 25), between(-25, 25),
                                 SubVolumeStep(between(-40, 60), sx),
                                 SubVolumeStep(between(-40, 60), sy),
                                 SubVolumeStep(between(-40, 60), sz)};
    SCOPED_TRACE(testing::Message() << "trial " << trial);
    RawMemorySource source(file.data(), file.size());
    std::vector<float> out(RawElementCount(sx, sy, sz, channels), -1.0f);
    SampleSubVolume(source, box, window, sx, sy, sz, channels, out.data());
    ASSERT_EQ(out, ReferenceSample(file, box, window, sx, sy, sz, channels));
  }
}

}  // namespace
