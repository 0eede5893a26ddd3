// CT detection on hand-made volumes: the share of values in the scanner's
// range and the share of air decide, whatever the voxel type.
#include "files/ct_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "files/volume_raw.h"

namespace {

// `parts` as (value, count) runs, stored as int16 or float64.
Volume Runs(const std::vector<std::pair<double, int>>& parts, VoxelType type) {
  std::vector<int16_t> shorts;
  std::vector<double> doubles;
  for (const auto& [value, count] : parts) {
    shorts.insert(shorts.end(), count, static_cast<int16_t>(value));
    doubles.insert(doubles.end(), count, value);
  }
  const int64_t n = static_cast<int64_t>(doubles.size());
  const bool isShort = type == VoxelType::Int16;
  const uint8_t* bytes = isShort ? reinterpret_cast<const uint8_t*>(shorts.data())
                                 : reinterpret_cast<const uint8_t*>(doubles.data());
  return DecodeRawVolume("v.raw", {{n, 1, 1}, type, false, 0}, bytes,
                         static_cast<size_t>(n) * (isShort ? 2 : 8));
}

TEST(CtValues, AirAndTheScannerRangeDecide) {
  struct Case {
    const char* what;
    std::vector<std::pair<double, int>> parts;
    bool ct;
  };
  const Case cases[] = {
      {"head: air, tissue, bone", {{-1000, 40}, {40, 50}, {1000, 10}}, true},
      {"air only at the threshold", {{-900, 10}, {30, 90}}, true},
      {"padding below -1024 counts as air", {{-3024, 25}, {-1000, 10}, {40, 65}}, true},
      {"MR: no negative values", {{0, 40}, {300, 50}, {900, 10}}, false},
      {"too little air", {{-1000, 9}, {40, 91}}, false},
      {"just above the air threshold", {{-899, 40}, {40, 60}}, false},
      {"most values beyond the scanner's top", {{-1000, 30}, {3072, 40}, {9000, 30}}, false},
      {"signed data far below -1024", {{-30000, 50}, {-900, 10}, {40, 40}}, false},
  };
  for (const Case& c : cases) {
    for (VoxelType type : {VoxelType::Int16, VoxelType::Float64}) {
      EXPECT_EQ(LooksLikeCt(Runs(c.parts, type)), c.ct) << c.what << ", " << VoxelTypeName(type);
    }
  }
  EXPECT_FALSE(LooksLikeCt(Runs({{0.0, 30}, {0.5, 40}, {1.0, 30}}, VoxelType::Float64)))
      << "normalised data";
}

TEST(CtValues, WindowIsTheRangeClippedToTheScanner) {
  const IntensityWindow inside = CtWindow(Runs({{-1000, 5}, {1500, 5}}, VoxelType::Int16));
  EXPECT_EQ((std::pair{inside.low, inside.high}), (std::pair{-1000.0, 1500.0}));
  const IntensityWindow clipped = CtWindow(Runs({{-3024, 5}, {4000, 5}}, VoxelType::Int16));
  EXPECT_EQ((std::pair{clipped.low, clipped.high}), (std::pair{kCtLowest, kCtHighest}));
  const IntensityWindow flat = CtWindow(Runs({{-1000, 5}}, VoxelType::Int16));
  EXPECT_LT(flat.low, flat.high);
}

}  // namespace
