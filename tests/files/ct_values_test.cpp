// CT detection on hand-made volumes: the share of values in the scanner's
// range and the share of air decide, whatever the voxel type.
#include "files/ct_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "files/volume_raw.h"

namespace {

using Runs = std::vector<std::pair<double, int>>;  // (value, count)

Volume Decode(const Runs& runs, VoxelType type = VoxelType::Int16) {
  std::vector<double> values;
  for (const auto& [value, count] : runs) values.insert(values.end(), count, value);
  const std::vector<int16_t> shorts(values.begin(), values.end());
  const bool isShort = type == VoxelType::Int16;
  const void* bytes = isShort ? static_cast<const void*>(shorts.data()) : values.data();
  return DecodeRawVolume("v.raw", {{static_cast<int64_t>(values.size()), 1, 1}, type, false, 0},
                         static_cast<const uint8_t*>(bytes), values.size() * (isShort ? 2 : 8));
}

TEST(CtValues, AirAndTheScannerRangeDecide) {
  const std::tuple<const char*, Runs, bool> cases[] = {
      {"air only at the threshold", {{-900, 10}, {30, 90}}, true},
      {"padding below -1024 counts as air", {{-3024, 25}, {-1000, 10}, {40, 65}}, true},
      {"MR: no negative values", {{0, 40}, {300, 50}, {900, 10}}, false},
      {"too little air", {{-1000, 9}, {40, 91}}, false},
      {"just above the air threshold", {{-899, 40}, {40, 60}}, false},
      {"most values beyond the scanner's top", {{-1000, 30}, {3072, 40}, {9000, 30}}, false},
      {"signed data far below -1024", {{-30000, 50}, {-900, 10}, {40, 40}}, false},
  };
  for (const auto& [what, runs, ct] : cases) {
    for (VoxelType type : {VoxelType::Int16, VoxelType::Float64}) {
      EXPECT_EQ(LooksLikeCt(Decode(runs, type)), ct) << what << ", " << VoxelTypeName(type);
    }
  }
}

TEST(CtValues, WindowIsTheRangeClippedToTheScannerAndNeverEmpty) {
  const auto window = [](const Runs& runs) {
    const IntensityWindow w = CtWindow(Decode(runs));
    return std::pair{w.low, w.high};
  };
  EXPECT_EQ(window({{-1000, 5}, {1500, 5}}), (std::pair{-1000.0, 1500.0}));
  EXPECT_EQ(window({{-3024, 5}, {4000, 5}}), (std::pair{kCtLowest, kCtHighest}));
  EXPECT_EQ(window({{-1000, 5}}), (std::pair{-1000.0, -999.0}));
}

}  // namespace
