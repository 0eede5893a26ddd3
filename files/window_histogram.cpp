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
void CountValues(const uint8_t* bytes, size_t count, size_t step, const IntensityWindow& window, Counts& counts) {
  const double scale = (kHistogramBins - 1) / (window.high - window.low);
  if (!(scale > 0) || !std::isfinite(scale)) return;  // an empty window, or too narrow to divide
  for (size_t i = 0; i < count; i += step) {
    T value;
    std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
    const double v = static_cast<double>(value);
    if (v >= window.low && v <= window.high) {
      ++counts[static_cast<size_t>((v - window.low) * scale + 0.5)];
    }
  }
}

}  // namespace

Counts WindowCounts(const Volume& volume, const IntensityWindow& window, size_t step) {
  Counts counts{};
  DispatchVoxelType(volume.storedType(), [&](auto type) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(type)>>;
    CountValues<T>(volume.voxels(), volume.voxelCount(), std::max<size_t>(step, 1), window, counts);
  });
  return counts;
}

double OtsuLevel(const Counts& counts) {
  double total = 0, weighted = 0;
  for (int i = 0; i < kHistogramBins; ++i) {
    total += static_cast<double>(counts[i]);
    weighted += static_cast<double>(i) * static_cast<double>(counts[i]);
  }
  if (total == 0) return 0.5;
  double below = 0, belowWeighted = 0, best = -1;
  int split = kHistogramBins / 2 - 1;
  for (int t = 0; t + 1 < kHistogramBins; ++t) {
    below += static_cast<double>(counts[t]);
    belowWeighted += static_cast<double>(t) * static_cast<double>(counts[t]);
    const double above = total - below;
    if (below == 0 || above == 0) continue;
    const double gap = belowWeighted / below - (weighted - belowWeighted) / above;
    const double between = below * above * gap * gap;
    if (between > best) {
      best = between;
      split = t;
    }
  }
  return (split + 0.5) / (kHistogramBins - 1);
}

std::array<float, kHistogramBins> WindowHistogram(const Volume& volume,
                                                  const IntensityWindow& window) {
  const Counts counts = WindowCounts(volume, window);
  std::array<float, kHistogramBins> heights{};
  const uint64_t largest = *std::max_element(counts.begin(), counts.end());
  if (largest == 0) return heights;
  const double top = std::log1p(static_cast<double>(largest));
  for (int i = 0; i < kHistogramBins; ++i) {
    heights[i] = static_cast<float>(std::log1p(static_cast<double>(counts[i])) / top);
  }
  return heights;
}
