// The log-scale histogram behind the transfer-function curves.
#include "files/window_histogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

template <typename T>
auto Histogram(VoxelType type, const std::vector<T>& values, IntensityWindow window) {
  auto voxels = std::make_unique<uint8_t[]>(values.size() * sizeof(T));
  std::memcpy(voxels.get(), values.data(), values.size() * sizeof(T));
  VolumeInfo info;
  info.sizes = {static_cast<int64_t>(values.size()), 1, 1};
  return WindowHistogram(Volume(info, type, std::move(voxels)), window);
}

TEST(WindowHistogram, CountsWindowedValuesOnTheNearestEntryOnALogScale) {
  // Window -1000..1000: entry i stands for -1000 + i * 2000 / 255.
  std::vector<int16_t> values(999, -1000);             // the background peak, entry 0
  values.insert(values.end(), 9, 1000);                // entry 255
  values.insert(values.end(), {-1001, 1001, -32768});  // outside: not counted
  values.push_back(-1000 + 806);                       // 806 * 255 / 2000 = 102.8: entry 103
  const auto heights = Histogram(VoxelType::Int16, values, {-1000, 1000});
  EXPECT_FLOAT_EQ(heights[0], 1.0f);
  EXPECT_FLOAT_EQ(heights[255], static_cast<float>(std::log(10.0) / std::log(1000.0)));
  EXPECT_FLOAT_EQ(heights[103], static_cast<float>(std::log(2.0) / std::log(1000.0)));
  EXPECT_FLOAT_EQ(std::accumulate(heights.begin(), heights.end(), 0.0f),
                  heights[0] + heights[103] + heights[255]);
  const auto none = Histogram(VoxelType::Float32, std::vector<float>{NAN, 2, -1}, {0, 1});
  EXPECT_EQ(std::accumulate(none.begin(), none.end(), 0.0f), 0.0f);
}

}  // namespace
