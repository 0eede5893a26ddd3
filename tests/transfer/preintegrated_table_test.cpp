#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "transfer/preintegrated_table.h"

namespace {

using Rgba = std::array<double, 4>;
using Entry = std::function<Rgba(double value)>;

std::vector<float> Preintegrated(const Entry& entry, float thickness) {
  std::vector<float> table(4 * kTransferEntries), out(kPreintegratedFloats);
  for (int i = 0; i < kTransferEntries; ++i)
    for (int c = 0; c < 4; ++c) table[4 * i + c] = static_cast<float>(entry(i / 255.0)[c]);
  ComputePreintegratedTable(table.data(), thickness, out.data());
  return out;
}

// The slab as many thin uniform layers composited front to back, the
// entries clamped and interpolated linearly as the texture reads them:
// premultiplied colour and opacity, and the mean colour over its values.
std::pair<Rgba, Rgba> RiemannSlab(const Entry& entry, int front, int back, double thickness) {
  constexpr int kLayers = 20000;
  Rgba sum{0, 0, 0, 0}, mean{0, 0, 0, 0};
  double through = 1.0;
  for (int q = 0; q < kLayers; ++q) {
    const double position = front + (back - front) * (q + 0.5) / kLayers;
    const int lo = std::min(static_cast<int>(position), kTransferEntries - 2);
    Rgba ends[] = {entry(lo / 255.0), entry((lo + 1) / 255.0)};
    for (Rgba& e : ends)  // clamped as the upload does
      for (int c = 0; c < 4; ++c) e[c] = std::clamp(e[c], 0.0, c < 3 ? 1.0 : 1 - 1e-4);
    const auto at = [&](int c) { return ends[0][c] + (position - lo) * (ends[1][c] - ends[0][c]); };
    const double alpha = 1.0 - std::pow(1.0 - at(3), 2.0 * thickness / kLayers);
    for (int c = 0; c < 3; ++c) {
      sum[c] += through * alpha * at(c);
      mean[c] += at(c) / kLayers;
    }
    through *= 1.0 - alpha;
  }
  sum[3] = 1.0 - through;
  return {sum, mean};
}

// The table made from `entry` against the integrated slabs, for every pair
// of a set of entries (both orderings, and front == back), thin and thick
// slabs. A clear slab keeps the colour of its values, so that filtering
// between it and a visible one does not darken the colour.
void ExpectSlabs(const Entry& entry, double tolerance) {
  const int entries[] = {0, 1, 37, 100, 127, 128, 129, 200, 254, 255};
  for (const float thickness : {0.25f, 1.0f, 2.0f, 8.0f}) {
    const std::vector<float> out = Preintegrated(entry, thickness);
    for (const int front : entries)
      for (const int back : entries) {
        const float* texel = &out[4 * (back * kPreintegratedSide + front)];
        const auto [want, mean] = RiemannSlab(entry, front, back, thickness);
        for (int c = 0; c < 4; ++c) {
          ASSERT_NEAR(c < 3 ? texel[c] * texel[3] : texel[3], want[c], tolerance)
              << front << " to " << back << ", thickness " << thickness << ", channel " << c;
          if (c < 3 && want[3] == 0) {
            ASSERT_NEAR(texel[c], mean[c], tolerance) << "clear, channel " << c;
          }
        }
      }
  }
}

TEST(PreintegratedTable, MatchesTheIntegratedSlab) {
  // Colour changing while the slab turns opaque: without self-attenuation
  // the back would count as much as the front.
  ExpectSlabs([](double v) { return Rgba{v, 1 - v, 0.5, 0.95 * v}; }, 2e-4);
  // Clear below entry 128, dense from it on: slabs holding the step between
  // their two samples catch it. Inside the step the extinction runs from 0
  // to its full value, which the pieces' uniform-extinction shift follows
  // less closely.
  ExpectSlabs([](double v) { return Rgba{v, 0.3, 1 - v, v < 0.5 ? 0.0 : 0.8}; }, 1e-3);
  // Colours below 0 and above 1, as the initial table has, and opaque entries.
  ExpectSlabs([](double v) { return Rgba{2 * v - 1, 2 * v, 0.5, v < 0.78 ? 0.5 : 1.0}; }, 1e-3);
}

TEST(PreintegratedTable, FaintEntriesInThinSlabsKeepTheirOpacity) {
  // At 1000 slices a faint table makes slabs of opacity 0.0008, summed from
  // up to 255 pieces: each must keep its digits.
  const std::vector<float> out = Preintegrated([](double) { return Rgba{0, 0, 0, 0.002}; }, 0.2f);
  const double want = 1.0 - std::pow(0.998, 0.4);
  for (int i = 3; i < kPreintegratedFloats; i += 4) ASSERT_NEAR(out[i], want, 1e-4 * want) << i / 4;
}

}  // namespace
