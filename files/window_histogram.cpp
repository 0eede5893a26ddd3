#include "files/window_histogram.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "files/voxel_dispatch.h"

namespace {

using Counts = std::array<uint64_t, kHistogramBins>;

template <typename T>
void CountValues(const uint8_t* bytes, size_t count, const IntensityWindow& window, Counts& counts) {
  const double scale = (kHistogramBins - 1) / (window.high - window.low);
  if (!(scale > 0) || !std::isfinite(scale)) return;  // an empty window, or too narrow to divide
  for (size_t i = 0; i < count; ++i) {
    T value;
    std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
    const double v = static_cast<double>(value);
    if (v >= window.low && v <= window.high) {
      ++counts[static_cast<size_t>((v - window.low) * scale + 0.5)];
    }
  }
}

}  // namespace

std::array<float, kHistogramBins> WindowHistogram(const Volume& volume,
                                                  const IntensityWindow& window) {
  Counts counts{};
  DispatchVoxelType(volume.storedType(), [&](auto type) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(type)>>;
    CountValues<T>(volume.voxels(), volume.voxelCount(), window, counts);
  });
  std::array<float, kHistogramBins> heights{};
  const uint64_t largest = *std::max_element(counts.begin(), counts.end());
  if (largest == 0) return heights;
  const double top = std::log1p(static_cast<double>(largest));
  for (int i = 0; i < kHistogramBins; ++i) {
    heights[i] = static_cast<float>(std::log1p(static_cast<double>(counts[i])) / top);
  }
  return heights;
}
