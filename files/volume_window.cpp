#include "files/volume_window.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "files/voxel_dispatch.h"

namespace {

constexpr double kLowPercentile = 0.005;
constexpr double kHighPercentile = 0.995;
constexpr size_t kFloatBins = 4096;
constexpr size_t kExactBinLimit = 65536;  // integer ranges up to this get one bin per value
constexpr size_t kPeakGroups = 256;        // coarse enough that noisy air is one peak
constexpr double kDominantShare = 0.25;

// Histogram of the voxels over [minimum, maximum].
struct Histogram {
  std::vector<uint64_t> counts;
  double minimum = 0;
  double maximum = 0;
  bool exact = false;  // one bin per integer value: the value is the bin's lower edge

  double ValueAtRank(double rank, const std::vector<bool>& excluded) const {
    double below = 0;
    for (size_t b = 0; b < counts.size(); ++b) {
      if (excluded[b] || counts[b] == 0) continue;
      const double c = static_cast<double>(counts[b]);
      if (below + c > rank) {
        if (exact) return minimum + static_cast<double>(b);
        return Interpolate((static_cast<double>(b) + (rank - below) / c) / counts.size());
      }
      below += c;
    }
    return exact ? minimum + static_cast<double>(counts.size() - 1) : maximum;
  }

  // Written so that ranges near the limits of double do not overflow.
  double Interpolate(double t) const { return minimum * (1 - t) + maximum * t; }
};

Histogram BuildHistogram(const Volume& volume) {
  Histogram h;
  const VolumeInfo& info = volume.info();
  h.minimum = info.minimum;
  h.maximum = info.maximum;
  DispatchVoxelType(volume.storedType(), [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    const T* values = reinterpret_cast<const T*>(volume.voxels());
    const size_t count = volume.voxelCount();
    const double range = info.maximum - info.minimum;
    h.exact = std::is_integral_v<T> && range < kExactBinLimit;
    if (h.exact) {
      h.counts.assign(static_cast<size_t>(range) + 1, 0);
      const int64_t low = static_cast<int64_t>(info.minimum);
      for (size_t i = 0; i < count; ++i) ++h.counts[static_cast<size_t>(values[i] - low)];
      return;
    }
    h.counts.assign(kFloatBins, 0);
    const double halfMinimum = info.minimum / 2;
    const double scale = kFloatBins / (info.maximum / 2 - halfMinimum);
    for (size_t i = 0; i < count; ++i) {
      const double position = (static_cast<double>(values[i]) / 2 - halfMinimum) * scale;
      // Written so that a NaN or infinite position (ranges of a few
      // denormals) still lands in a bin.
      ++h.counts[position > 0 ? (position < kFloatBins ? static_cast<size_t>(position) : kFloatBins - 1)
                              : 0];
    }
  });
  return h;
}

// Marks the bins of the dominant peak: the most populated coarse group, if
// it holds a quarter of the voxels, and its slopes down to the valleys.
std::vector<bool> DominantPeak(const Histogram& h, uint64_t total) {
  const size_t bins = h.counts.size();
  const size_t groups = std::min(bins, kPeakGroups);
  std::vector<uint64_t> groupCounts(groups, 0);
  auto groupOf = [&](size_t bin) { return bin * groups / bins; };
  for (size_t b = 0; b < bins; ++b) groupCounts[groupOf(b)] += h.counts[b];
  const size_t peak = static_cast<size_t>(
      std::max_element(groupCounts.begin(), groupCounts.end()) - groupCounts.begin());
  std::vector<bool> excluded(bins, false);
  if (static_cast<double>(groupCounts[peak]) < kDominantShare * static_cast<double>(total)) {
    return excluded;
  }
  size_t first = peak, last = peak;
  while (first > 0 && groupCounts[first - 1] < groupCounts[first]) --first;
  while (last + 1 < groups && groupCounts[last + 1] < groupCounts[last]) ++last;
  for (size_t b = 0; b < bins; ++b) {
    const size_t g = groupOf(b);
    excluded[b] = g >= first && g <= last;
  }
  return excluded;
}

bool PercentileWindow(const Histogram& h, const std::vector<bool>& excluded,
                      IntensityWindow* window) {
  uint64_t kept = 0;
  for (size_t b = 0; b < h.counts.size(); ++b) kept += excluded[b] ? 0 : h.counts[b];
  if (kept == 0) return false;
  const double n = static_cast<double>(kept);
  window->low = h.ValueAtRank(kLowPercentile * n, excluded);
  window->high = h.ValueAtRank(std::min(kHighPercentile * n, n - 1), excluded);
  return window->high > window->low;
}

}  // namespace

IntensityWindow RobustWindow(const Volume& volume) {
  const VolumeInfo& info = volume.info();
  if (!(info.maximum > info.minimum)) {
    // One value: a window around it, wide enough to stay open at any magnitude.
    const double v = info.minimum;
    const double half = std::max(0.5, std::fabs(v) * 1e-6);
    const double high = v + half;
    return {v - half, std::isfinite(high) ? high : v};
  }
  const Histogram h = BuildHistogram(volume);
  IntensityWindow window;
  if (PercentileWindow(h, DominantPeak(h, volume.voxelCount()), &window)) return window;
  if (PercentileWindow(h, std::vector<bool>(h.counts.size(), false), &window)) return window;
  return {info.minimum, info.maximum};
}
