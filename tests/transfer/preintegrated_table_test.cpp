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

// Linear interpolation between entries, as a GL_LINEAR lookup reads them.
Rgba Lookup(const Entry& entry, double position) {
  const int lo = std::min(static_cast<int>(position), kTransferEntries - 2);
  const Rgba a = entry(lo / 255.0), b = entry((lo + 1) / 255.0);
  Rgba out;
  for (int c = 0; c < 4; ++c) out[c] = a[c] + (position - lo) * (b[c] - a[c]);
  return out;
}

// The slab as many thin uniform layers composited front to back:
// premultiplied colour and opacity.
Rgba RiemannSlab(const Entry& entry, int front, int back, double thickness) {
  constexpr int kLayers = 20000;
  Rgba sum{0, 0, 0, 0};
  double through = 1.0;
  for (int q = 0; q < kLayers; ++q) {
    const Rgba m = Lookup(entry, front + (back - front) * (q + 0.5) / kLayers);
    const double alpha = 1.0 - std::pow(1.0 - m[3], 2.0 * thickness / kLayers);
    for (int c = 0; c < 3; ++c) sum[c] += through * alpha * m[c];
    through *= 1.0 - alpha;
  }
  sum[3] = 1.0 - through;
  return sum;
}

// The table made from `given` against the slabs of `integrated`, for every
// pair of a set of entries (both orderings, and front == back), thin and
// thick slabs.
void ExpectSlabs(const Entry& given, const Entry& integrated, double tolerance) {
  std::vector<float> table(4 * kTransferEntries), out(kPreintegratedFloats);
  for (int i = 0; i < kTransferEntries; ++i)
    for (int c = 0; c < 4; ++c) table[4 * i + c] = static_cast<float>(given(i / 255.0)[c]);
  const int entries[] = {0, 1, 37, 100, 127, 128, 129, 200, 254, 255};
  for (const float thickness : {0.25f, 1.0f, 2.0f, 8.0f}) {
    ComputePreintegratedTable(table.data(), thickness, out.data());
    for (const int front : entries)
      for (const int back : entries) {
        const float* texel = &out[4 * (back * kPreintegratedSide + front)];
        const Rgba want = RiemannSlab(integrated, front, back, thickness);
        for (int c = 0; c < 4; ++c)
          ASSERT_NEAR(c < 3 ? texel[c] * texel[3] : texel[3], want[c], tolerance)
              << "front " << front << " back " << back << " thickness " << thickness
              << " channel " << c;
      }
  }
}

TEST(PreintegratedTable, MatchesTheIntegratedSlab) {
  // Constant: every slab is 1 - (1 - a)^(2 d), as the composite program has it.
  const Entry constant = [](double) { return Rgba{0.2, 0.5, 0.9, 0.3}; };
  ExpectSlabs(constant, constant, 1e-4);
  // Colour changing while the slab turns opaque: without self-attenuation
  // the back would count as much as the front.
  const Entry linear = [](double v) { return Rgba{v, 1 - v, 0.5, 0.95 * v}; };
  ExpectSlabs(linear, linear, 2e-4);
  // Clear below entry 128, dense from it on: slabs holding the step between
  // their two samples catch it. Inside the step the extinction runs from 0
  // to its full value, which the pieces' uniform-extinction shift follows
  // less closely.
  const Entry step = [](double v) { return Rgba{v, 0.3, 1 - v, v < 0.5 ? 0.0 : 0.8}; };
  ExpectSlabs(step, step, 1e-3);
}

TEST(PreintegratedTable, FaintEntriesInThinSlabsKeepTheirOpacity) {
  // At 1000 slices a faint table makes slabs of opacity 0.0008, summed from
  // up to 255 pieces: each must keep its digits.
  std::vector<float> table(4 * kTransferEntries, 0.002f), out(kPreintegratedFloats);
  ComputePreintegratedTable(table.data(), 0.2f, out.data());
  const double want = 1.0 - std::pow(0.998, 0.4);
  for (int i = 3; i < kPreintegratedFloats; i += 4) ASSERT_NEAR(out[i], want, 1e-4 * want) << i / 4;
}

TEST(PreintegratedTable, ClearSlabsTakeTheTableColourSoFilteringDoesNotDarken) {
  // Clear up to entry 127, then opaque; red runs with the value.
  std::vector<float> table(4 * kTransferEntries), out(kPreintegratedFloats);
  for (int i = 0; i < kTransferEntries; ++i) {
    const float entry[4] = {i / 255.0f, 0.5f, 1.0f, i < 128 ? 0.0f : 0.9f};
    std::copy(entry, entry + 4, &table[4 * i]);
  }
  ComputePreintegratedTable(table.data(), 1.0f, out.data());
  const auto texel = [&](int front, int back) {
    return &out[4 * (back * kPreintegratedSide + front)];
  };
  for (const auto& [front, back] : {std::pair{0, 100}, {100, 0}, {127, 127}, {20, 127}}) {
    ASSERT_EQ(texel(front, back)[3], 0.0f);
    EXPECT_NEAR(texel(front, back)[0], (front + back) / 510.0, 1e-6) << front << " " << back;
    EXPECT_FLOAT_EQ(texel(front, back)[1], 0.5f);
    EXPECT_FLOAT_EQ(texel(front, back)[2], 1.0f);
  }
}

TEST(PreintegratedTable, OutOfRangeEntriesAreClampedAsTheUploadDoes) {
  // Colours below 0 and above 1, as the initial table has, and opaque entries.
  const Entry given = [](double v) { return Rgba{2 * v - 1, 2 * v, 0.5, v < 0.78 ? 0.5 : 1.0}; };
  const Entry clamped = [&](double v) {
    const Rgba e = given(v);
    return Rgba{std::max(e[0], 0.0), std::min(e[1], 1.0), e[2], std::min(e[3], 1 - 1e-4)};
  };
  ExpectSlabs(given, clamped, 1e-3);
}

}  // namespace
