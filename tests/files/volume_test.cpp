// Users' volumes: raw decoding per type and byte order, orientation mapping,
// the robust window and its histogram, the fitting rule and area-averaging
// resampling, cut-short sample files being refused, and where a file's voxels lie.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

#include "files/volume_file.h"
#include "files/volume_fit.h"
#include "files/volume_frame.h"
#include "files/volume_orientation.h"
#include "files/volume_raw.h"
#include "files/volume_window.h"
#include "files/window_histogram.h"
#include "temp_file.h"

namespace {

// A volume of doubles, via the raw reader as the viewer would read it.
Volume MakeVolume(std::array<int64_t, 3> sizes, const std::vector<double>& values) {
  return DecodeRawVolume("test.raw", {sizes, VoxelType::Float64, false, 0},
                         reinterpret_cast<const uint8_t*>(values.data()), values.size() * sizeof(double));
}

// Three values stored as `T` after a 3-byte header, in both byte orders: each
// must read back exactly and span the volume's range.
template <class T>
void ExpectDecoded(VoxelType type, const std::array<double, 3>& values) {
  for (bool bigEndian : {false, true}) {
    std::vector<uint8_t> bytes = {0xde, 0xad, 0xbe};
    for (double v : values) {
      const T stored = static_cast<T>(v);
      const auto* raw = reinterpret_cast<const uint8_t*>(&stored);
      bytes.insert(bytes.end(), raw, raw + sizeof(T));
      if (bigEndian) std::reverse(bytes.end() - sizeof(T), bytes.end());
    }
    const Volume v = DecodeRawVolume("v.raw", {{3, 1, 1}, type, bigEndian, 3}, bytes.data(), bytes.size());
    SCOPED_TRACE(std::string(VoxelTypeName(type)) + (bigEndian ? " big" : " little"));
    EXPECT_EQ((std::array<double, 3>{v.ValueAt(0, 0, 0), v.ValueAt(1, 0, 0), v.ValueAt(2, 0, 0)}), values);
    EXPECT_EQ(std::make_pair(v.info().minimum, v.info().maximum), std::make_pair(values[0], values[2]));
  }
}

}  // namespace

TEST(RawVolume, EveryTypeInBothByteOrdersAfterAHeader) {
  ExpectDecoded<uint8_t>(VoxelType::UInt8, {0, 7, 255});
  ExpectDecoded<int8_t>(VoxelType::Int8, {-128, -1, 127});
  ExpectDecoded<uint16_t>(VoxelType::UInt16, {0, 258, 65535});
  ExpectDecoded<int16_t>(VoxelType::Int16, {-32768, -1000, 32767});
  ExpectDecoded<uint32_t>(VoxelType::UInt32, {0, 16909060, 4294967295.0});
  ExpectDecoded<int32_t>(VoxelType::Int32, {-2147483648.0, -5, 2147483647});
  ExpectDecoded<float>(VoxelType::Float32, {-1.5f, 0.25f, 3e38f});
  ExpectDecoded<double>(VoxelType::Float64, {-1e300, 0.125, 7});
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
  EXPECT_EQ((std::vector<double>{v.info().minimum, v.info().maximum, v.ValueAt(0, 0, 0), v.ValueAt(3, 0, 0)}),
            (std::vector<double>{-2, 5, -2, -2}));
}

TEST(Orientation, MapsDirectionsToCanonicalAxesAndReordersVoxels) {
  using Axes = std::array<int, 3>;
  using Flips = std::array<bool, 3>;
  const DirectionMatrix ras = {{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};
  const AxisMapping m = MapToCanonical(ras);
  EXPECT_EQ(std::tie(m.fileAxis, m.flip), std::make_tuple(Axes{0, 1, 2}, Flips{true, true, false}));
  // File axes point P, I, L; slightly oblique.
  const DirectionMatrix pil = {{{0, 0.1, 0.99}, {0.99, 0, -0.1}, {0, -0.99, 0.1}}};
  const AxisMapping p = MapToCanonical(pil);
  EXPECT_EQ(std::tie(p.fileAxis, p.flip), std::make_tuple(Axes{2, 0, 1}, Flips{false, false, true}));
  EXPECT_EQ(OrientationCode(ras) + OrientationCode(pil), "RASPIL");
  EXPECT_TRUE(MapToCanonical({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}).IsIdentity());

  // File sizes 2 (P) x 3 (I) x 4 (L): voxel value = its file index.
  std::vector<uint8_t> file(24), canonical(24);
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i);
  ReorderVoxels(file.data(), {2, 3, 4}, 1, p, canonical.data());
  // Canonical (x, y, z) = file (y, 2 - z, x); canonical sizes 4 x 2 x 3.
  for (int z = 0; z < 3; ++z)
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(canonical[(z * 2 + y) * 4 + x], y + 2 * (2 - z) + 6 * x) << x << y << z;
}

TEST(RobustWindow, IgnoresDominantBackgroundOnly) {
  // 60% air at -1000 with noise and tissue spread over 0..999; a ramp 0..999
  // with no dominant peak gets plain percentiles.
  std::vector<double> ct, ramp;
  for (int i = 0; i < 6000; ++i) ct.push_back(-1000 + i % 9);
  for (int i = 0; i < 4000; ++i) ct.push_back(i / 4);
  for (int i = 0; i < 1000; ++i) ramp.push_back(i);
  for (const auto& [values, high] : {std::pair{ct, 995.0}, {ramp, 994.0}}) {
    const IntensityWindow w = RobustWindow(MakeVolume({int64_t(values.size()), 1, 1}, values));
    EXPECT_NEAR(w.low, 5, 1);
    EXPECT_NEAR(w.high, high, 1);
  }
  // Only the background and one value: the peak cannot be dropped.
  IntensityWindow w = RobustWindow(MakeVolume({4, 1, 1}, {0, 0, 0, 50}));
  EXPECT_TRUE(w.low < 1 && w.low < w.high) << w.low << ".." << w.high;
  w = RobustWindow(MakeVolume({2, 1, 1}, {7, 7}));
  EXPECT_TRUE(w.low < 7 && w.high > 7) << w.low << ".." << w.high;
}

TEST(WindowHistogram, CountsWindowedValuesOnTheNearestEntryOnALogScale) {
  // Window -1000..1000: entry i stands for -1000 + i * 2000 / 255.
  std::vector<double> values(999, -1000);              // the background peak, entry 0
  values.insert(values.end(), 9, 1000);                // entry 255
  values.insert(values.end(), {-1001, 1001, -32768});  // outside: not counted
  values.push_back(-1000 + 806);                       // 806 * 255 / 2000 = 102.8: entry 103
  const auto heights = WindowHistogram(MakeVolume({int64_t(values.size()), 1, 1}, values), {-1000, 1000});
  EXPECT_FLOAT_EQ(heights[0], 1.0f);
  EXPECT_FLOAT_EQ(heights[255], static_cast<float>(std::log(10.0) / std::log(1000.0)));
  EXPECT_FLOAT_EQ(heights[103], static_cast<float>(std::log(2.0) / std::log(1000.0)));
  EXPECT_EQ(std::count(heights.begin(), heights.end(), 0.0f), kHistogramBins - 3);
  // Nor a NaN, which the readers never let through.
  const float nanAndOutside[] = {NAN, 2, -1};
  auto voxels = std::make_unique<uint8_t[]>(sizeof nanAndOutside);
  std::memcpy(voxels.get(), nanAndOutside, sizeof nanAndOutside);
  VolumeInfo info;
  info.sizes = {3, 1, 1};
  const auto none = WindowHistogram(Volume(info, VoxelType::Float32, std::move(voxels)), {0, 1});
  EXPECT_EQ(std::accumulate(none.begin(), none.end(), 0.0f), 0.0f);
}

// Two classes (background around entry 20, tissue around 180): Otsu splits
// between them whatever their sizes, and a sampled count agrees.
TEST(WindowHistogram, OtsuSplitsBackgroundFromTissue) {
  std::vector<double> values;
  for (int i = 0; i < 9000; ++i) values.push_back(15 + i % 11);   // entries 15..25
  for (int i = 0; i < 1000; ++i) values.push_back(170 + i % 21);  // entries 170..190
  const Volume volume = MakeVolume({int64_t(values.size()), 1, 1}, values);
  const double level = OtsuLevel(WindowCounts(volume, {0, 255}));
  EXPECT_GT(level * 255, 25);
  EXPECT_LT(level * 255, 170);
  const double sampled = OtsuLevel(WindowCounts(volume, {0, 255}, 7));
  EXPECT_GT(sampled * 255, 25);
  EXPECT_LT(sampled * 255, 170);
  // Between two close classes the split lies between them, not at the middle of the window.
  std::array<uint64_t, kHistogramBins> close{};
  close[40] = 500;
  close[60] = 500;
  EXPECT_NEAR(OtsuLevel(close) * 255, 40.5, 1e-9);
  EXPECT_EQ(OtsuLevel({}), 0.5);
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
  // Voxels 3 and 4, then voxel 5 and the low end.
  for (int i = 0; i < 2; ++i) EXPECT_NEAR(out[i], 0.375, 1e-6) << i;
  // Magnified and clamped.
  ResampleVolume(v, {{5, 0, 0}, {0.5, 1, 1}}, {1, 4}, {2, 1, 1}, out.data());
  EXPECT_EQ((std::vector<float>{out[0], out[1]}), std::vector<float>(2, 1.0f));
}

#ifdef VOLVIEW_SAMPLES_DIR
TEST(VolumeFiles, CutShortSamplesAreRefused) {
  for (const char* name : {"ct.nrrd", "ct.nii.gz", "ct.mha", "ct.vtk", "ct.tif"}) {
    const std::string from = std::string(VOLVIEW_SAMPLES_DIR) + "/" + name;
    EXPECT_NO_THROW(OpenVolume({from, {}, {}, 0})) << name;
    const std::string cut = testing::TempDir() + "cut_" + name;
    std::filesystem::copy_file(from, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 1);
    EXPECT_THROW(OpenVolume({cut, {}, {}, 0}), VolumeFileError) << name;
  }
}
#endif

TEST(VolumeFiles, KeepTheFilesOriginAndTheNearestOrthonormalFrame) {
  // As a resampling tool writes them: a little off orthonormal, the third axis toward inferior.
  const std::string header = "NRRD0004\ntype: uint8\ndimension: 3\nspace: left-posterior-superior\nsizes: 2 2 2\n"
                             "space directions: (1,0,0) (0.002,1,0) (0,0,-3)\nspace origin: (5,-6,7)\n"
                             "encoding: raw\n\n";
  std::vector<uint8_t> bytes(header.begin(), header.end());
  bytes.resize(bytes.size() + 8);
  const VolumeInfo info = OpenVolume({WriteTempFile("resampled.nrrd", bytes), {}, {}, 0}).info();
  EXPECT_LT(OrthonormalDeviation(info.direction), 1e-12);
  EXPECT_EQ(std::make_tuple(info.origin, info.mapping.flip, info.anatomical),
            std::make_tuple(std::array<double, 3>{5, -6, 7}, std::array<bool, 3>{false, false, true}, true));
}
