// Users' volumes: raw decoding per type and byte order, orientation mapping,
// the robust window, the fitting rule and area-averaging resampling, and
// cut-short sample files being refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "files/volume_file.h"
#include "files/volume_fit.h"
#include "files/volume_orientation.h"
#include "files/volume_raw.h"
#include "files/volume_window.h"

namespace {

// A volume of doubles, via the raw reader as the viewer would read it.
Volume MakeVolume(std::array<int64_t, 3> sizes, const std::vector<double>& values) {
  RawLayout layout;
  layout.sizes = sizes;
  layout.type = VoxelType::Float64;
  return DecodeRawVolume("test.raw", layout, reinterpret_cast<const uint8_t*>(values.data()),
                         values.size() * sizeof(double));
}

// Little-endian bytes of `value` stored as `T`, reversed for big-endian files.
template <class T>
void Append(std::vector<uint8_t>& bytes, double value, bool bigEndian) {
  const T stored = static_cast<T>(value);
  uint8_t raw[sizeof(T)];
  std::memcpy(raw, &stored, sizeof(T));
  if (bigEndian) std::reverse(raw, raw + sizeof(T));
  bytes.insert(bytes.end(), raw, raw + sizeof(T));
}

}  // namespace

TEST(RawVolume, EveryTypeInBothByteOrdersAfterAHeader) {
  struct Case {
    VoxelType type;
    void (*append)(std::vector<uint8_t>&, double, bool);
    std::vector<double> values;
  };
  const Case cases[] = {
      {VoxelType::UInt8, Append<uint8_t>, {0, 7, 255}},
      {VoxelType::Int8, Append<int8_t>, {-128, -1, 127}},
      {VoxelType::UInt16, Append<uint16_t>, {0, 258, 65535}},
      {VoxelType::Int16, Append<int16_t>, {-32768, -1000, 32767}},
      {VoxelType::UInt32, Append<uint32_t>, {0, 16909060, 4294967295.0}},
      {VoxelType::Int32, Append<int32_t>, {-2147483648.0, -5, 2147483647}},
      {VoxelType::Float32, Append<float>, {-1.5f, 0.25f, 3e38f}},
      {VoxelType::Float64, Append<double>, {-1e300, 0.125, 7}},
  };
  for (const Case& c : cases) {
    for (bool bigEndian : {false, true}) {
      std::vector<uint8_t> bytes = {0xde, 0xad, 0xbe};  // header
      for (double v : c.values) c.append(bytes, v, bigEndian);
      const RawLayout layout{{3, 1, 1}, c.type, bigEndian, 3};
      const Volume volume = DecodeRawVolume("v.raw", layout, bytes.data(), bytes.size());
      SCOPED_TRACE(std::string(VoxelTypeName(c.type)) + (bigEndian ? " big" : " little"));
      for (int64_t x = 0; x < 3; ++x) EXPECT_EQ(volume.ValueAt(x, 0, 0), c.values[x]);
      EXPECT_EQ(volume.info().minimum, c.values[0]);
      EXPECT_EQ(volume.info().maximum, c.values[2]);
    }
  }
}

TEST(RawVolume, RefusesSizeMismatchAndOverflowAndHidesNonFiniteValues) {
  const std::vector<uint8_t> bytes(10, 0);
  const RawLayout exact{{5, 1, 1}, VoxelType::UInt16, false, 0};
  EXPECT_NO_THROW(DecodeRawVolume("a.raw", exact, bytes.data(), 10));
  EXPECT_THROW(DecodeRawVolume("a.raw", exact, bytes.data(), 9), VolumeFileError);
  EXPECT_THROW(DecodeRawVolume("a.raw", {{5, 1, 1}, VoxelType::UInt8, false, 0}, bytes.data(), 10),
               VolumeFileError);
  const RawLayout huge{{int64_t(1) << 40, int64_t(1) << 40, 1 << 20}, VoxelType::Float64, false, 0};
  EXPECT_THROW(DecodeRawVolume("a.raw", huge, bytes.data(), 10), VolumeFileError);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Volume v = MakeVolume({4, 1, 1}, {nan, -2, 5, std::numeric_limits<double>::infinity()});
  EXPECT_EQ(v.info().minimum, -2);
  EXPECT_EQ(v.info().maximum, 5);
  EXPECT_EQ(v.ValueAt(0, 0, 0), -2);
  EXPECT_EQ(v.ValueAt(3, 0, 0), -2);
}

TEST(Orientation, MapsDirectionsToCanonicalAxesAndReordersVoxels) {
  const DirectionMatrix ras = {{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};
  EXPECT_EQ(OrientationCode(ras), "RAS");
  const AxisMapping m = MapToCanonical(ras);
  EXPECT_EQ(m.fileAxis, (std::array<int, 3>{0, 1, 2}));
  EXPECT_EQ(m.flip, (std::array<bool, 3>{true, true, false}));
  // File axes point P, I, L; slightly oblique.
  const DirectionMatrix pil = {{{0, 0.1, 0.99}, {0.99, 0, -0.1}, {0, -0.99, 0.1}}};
  EXPECT_EQ(OrientationCode(pil), "PIL");
  const AxisMapping p = MapToCanonical(pil);
  EXPECT_EQ(p.fileAxis, (std::array<int, 3>{2, 0, 1}));
  EXPECT_EQ(p.flip, (std::array<bool, 3>{false, false, true}));
  EXPECT_TRUE(MapToCanonical({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}).IsIdentity());

  // File sizes 2 (P) x 3 (I) x 4 (L): voxel value = its file index.
  std::vector<uint8_t> file(24), canonical(24);
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i);
  ReorderVoxels(file.data(), {2, 3, 4}, 1, p, canonical.data());
  // Canonical (x, y, z) = file (y, 2 - z, x); canonical sizes 4 x 2 x 3.
  for (int z = 0; z < 3; ++z) {
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(canonical[(z * 2 + y) * 4 + x], y + 2 * (2 - z) + 6 * x) << x << y << z;
      }
    }
  }
}

TEST(RobustWindow, IgnoresDominantBackgroundOnly) {
  // 60% air at -1000 with noise, tissue spread over 0..999.
  std::vector<double> ct;
  for (int i = 0; i < 6000; ++i) ct.push_back(-1000 + i % 9);
  for (int i = 0; i < 4000; ++i) ct.push_back(i / 4);
  IntensityWindow w = RobustWindow(MakeVolume({10000, 1, 1}, ct));
  EXPECT_NEAR(w.low, 5, 1);
  EXPECT_NEAR(w.high, 995, 1);

  // No dominant peak: plain percentiles of 0..999.
  std::vector<double> ramp;
  for (int i = 0; i < 1000; ++i) ramp.push_back(i);
  w = RobustWindow(MakeVolume({1000, 1, 1}, ramp));
  EXPECT_NEAR(w.low, 5, 1);
  EXPECT_NEAR(w.high, 994, 1);

  // Only the background and one value: the peak cannot be dropped.
  w = RobustWindow(MakeVolume({4, 1, 1}, {0, 0, 0, 50}));
  EXPECT_LT(w.low, w.high);
  EXPECT_LT(w.low, 1);
  w = RobustWindow(MakeVolume({2, 1, 1}, {7, 7}));
  EXPECT_LT(w.low, 7);
  EXPECT_GT(w.high, 7);
}

TEST(Fitting, LongestSideToTheLimitWithProportionsKept) {
  EXPECT_EQ(FitVolumeSize({512, 512, 400}, 256, 2048), (std::array<int32_t, 3>{256, 256, 200}));
  EXPECT_EQ(FitVolumeSize({100, 30, 7}, 256, 2048), (std::array<int32_t, 3>{100, 30, 7}));
  EXPECT_EQ(FitVolumeSize({300, 1000, 2}, 4096, 500), (std::array<int32_t, 3>{150, 500, 1}));
  EXPECT_EQ(FitVolumeSize({1, 1, 10}, 0, 500), (std::array<int32_t, 3>{1, 1, 1}));
}

TEST(Resampling, AveragesByOverlapAndMapsThroughTheWindow) {
  // 6 x 2 x 2, value = x; window 0..10.
  std::vector<double> values;
  for (int i = 0; i < 24; ++i) values.push_back(i % 6);
  const Volume v = MakeVolume({6, 2, 2}, values);
  std::vector<float> out(4);
  ResampleVolume(v, WholeVolume(v), {0, 10}, {4, 1, 1}, out.data());
  // Output x covers 1.5 voxels: (0 + 0.5*1)/1.5, (0.5*1 + 2)/1.5, ...
  const float expected[4] = {1 / 30.f, 5 / 30.f, 10 / 30.f, 14 / 30.f};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(out[i], expected[i], 1e-6) << i;
  // A box reaching past the volume: outside reads as the window's low end.
  ResampleVolume(v, {{3, 0, 0}, {4, 2, 2}}, {2, 6}, {2, 1, 1}, out.data());
  EXPECT_NEAR(out[0], 0.375, 1e-6);  // voxels 3 and 4
  EXPECT_NEAR(out[1], 0.375, 1e-6);  // voxel 5 and the low end
  // Magnified and clamped.
  ResampleVolume(v, {{5, 0, 0}, {0.5, 1, 1}}, {1, 4}, {2, 1, 1}, out.data());
  EXPECT_EQ(out[0], 1.0f);
  EXPECT_EQ(out[1], 1.0f);
}

#ifdef VOLVIEW_SAMPLES_DIR
TEST(VolumeFiles, CutShortSamplesAreRefused) {
  for (const char* name : {"ct.nrrd", "ct.nii.gz", "ct.mha", "ct.vtk", "ct.tif"}) {
    const std::string from = std::string(VOLVIEW_SAMPLES_DIR) + "/" + name;
    std::ifstream in(from, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(bytes.size(), 1000u) << from;
    EXPECT_NO_THROW(OpenVolume({from, {}, {}, 0})) << name;
    const std::string cut = testing::TempDir() + "cut_" + name;
    std::ofstream(cut, std::ios::binary).write(bytes.data(), bytes.size() - 1);
    EXPECT_THROW(OpenVolume({cut, {}, {}, 0}), VolumeFileError) << name;
  }
}
#endif
