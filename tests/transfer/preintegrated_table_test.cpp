#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "transfer/preintegrated_table.h"

namespace {

using Table = std::vector<float>;
using Rgba = std::array<double, 4>;

Table MakeTable(const std::function<Rgba(int)>& entry) {
  Table table(4 * kTransferEntries);
  for (int i = 0; i < kTransferEntries; ++i)
    for (int c = 0; c < 4; ++c) table[4 * i + c] = static_cast<float>(entry(i)[c]);
  return table;
}

// The table read with linear interpolation at a position in entries.
Rgba Lookup(const Table& table, double position) {
  const int lo = std::min(static_cast<int>(position), kTransferEntries - 2);
  const double u = position - lo;
  Rgba out;
  for (int c = 0; c < 4; ++c) out[c] = (1 - u) * table[4 * lo + c] + u * table[4 * (lo + 1) + c];
  return out;
}

// The slab cut into many thin uniform layers, composited front to back:
// premultiplied colour and opacity.
Rgba RiemannSlab(const Table& table, int front, int back, double thickness) {
  constexpr int kLayers = 20000;
  Rgba sum{0, 0, 0, 0};
  double through = 1.0;
  for (int q = 0; q < kLayers; ++q) {
    const Rgba m = Lookup(table, front + (back - front) * (q + 0.5) / kLayers);
    const double alpha = 1.0 - std::exp(2.0 * std::log(1.0 - m[3]) * thickness / kLayers);
    for (int c = 0; c < 3; ++c) sum[c] += through * alpha * m[c];
    through *= 1.0 - alpha;
  }
  sum[3] = 1.0 - through;
  return sum;
}

// Every pair of a set of entries, both orderings and front == back, at
// thin and thick slabs: the table made from `table` against the slabs of
// `integrated`.
void ExpectMatchesRiemann(const Table& table, const Table& integrated, double tolerance) {
  const int entries[] = {0, 1, 37, 100, 127, 128, 129, 200, 254, 255};
  std::vector<float> out(kPreintegratedFloats);
  for (const float thickness : {0.25f, 1.0f, 2.0f, 8.0f}) {
    ComputePreintegratedTable(table.data(), thickness, out.data());
    for (const int front : entries)
      for (const int back : entries) {
        const float* texel = &out[4 * (back * kPreintegratedSide + front)];
        const Rgba want = RiemannSlab(integrated, front, back, thickness);
        const std::array<double, 4> got = {texel[0] * texel[3], texel[1] * texel[3],
                                           texel[2] * texel[3], texel[3]};
        for (int c = 0; c < 4; ++c)
          ASSERT_NEAR(got[c], want[c], tolerance)
              << "front " << front << " back " << back << " thickness " << thickness
              << " channel " << c;
      }
  }
}

TEST(PreintegratedTable, ConstantTableGivesTheSliceOpacityOfTheCompositeProgram) {
  const Table table = MakeTable([](int) { return Rgba{0.2, 0.5, 0.9, 0.3}; });
  std::vector<float> out(kPreintegratedFloats);
  ComputePreintegratedTable(table.data(), 2.0f, out.data());
  for (const int front : {0, 77, 255})
    for (const int back : {0, 78, 255}) {
      const float* texel = &out[4 * (back * kPreintegratedSide + front)];
      EXPECT_NEAR(texel[3], 1.0 - std::pow(0.7, 4.0), 1e-5);
      EXPECT_NEAR(texel[0], 0.2, 1e-5);
      EXPECT_NEAR(texel[2], 0.9, 1e-5);
    }
  ExpectMatchesRiemann(table, table, 1e-4);
}

TEST(PreintegratedTable, LinearTableMatchesTheIntegratedSlabWithItsSelfAttenuation) {
  // Colour changes along the slab while the slab turns opaque: without
  // self-attenuation the back's colour would count as much as the front's.
  const Table table = MakeTable([](int i) {
    const double v = i / 255.0;
    return Rgba{v, 1 - v, 0.5, 0.95 * v};
  });
  ExpectMatchesRiemann(table, table, 2e-4);
}

TEST(PreintegratedTable, OpacityStepIsCaughtByASlabCrossingIt) {
  // Clear below entry 128, dense from it on: a slab from 100 to 200 holds
  // the step between its two samples, which point sampling would miss.
  const Table table = MakeTable([](int i) {
    const double v = i / 255.0;
    return Rgba{v, 0.3, 1 - v, i < 128 ? 0.0 : 0.8};
  });
  // Inside the step itself the extinction runs from 0 to its full value,
  // which the pieces' uniform-extinction shift follows less closely.
  ExpectMatchesRiemann(table, table, 1e-3);
  std::vector<float> out(kPreintegratedFloats);
  ComputePreintegratedTable(table.data(), 1.0f, out.data());
  EXPECT_EQ(out[4 * (0 * kPreintegratedSide + 127) + 3], 0.0f);   // 127 to 0: all clear
  EXPECT_GT(out[4 * (200 * kPreintegratedSide + 100) + 3], 0.5f);  // 100 to 200
  EXPECT_GT(out[4 * (100 * kPreintegratedSide + 200) + 3], 0.5f);  // 200 to 100
}

TEST(PreintegratedTable, OutOfRangeEntriesAreClampedAsTheUploadDoes) {
  // Colours below 0 and above 1, as the initial table has, and opaque
  // entries: the slabs are those of the clamped table.
  const auto entry = [](int i) {
    const double v = i / 255.0;
    return Rgba{2 * v - 1, 2 * v, 0.5, i < 200 ? 0.5 : 1.0};
  };
  const Table clamped = MakeTable([&](int i) {
    const Rgba e = entry(i);
    return Rgba{std::max(e[0], 0.0), std::min(e[1], 1.0), e[2], std::min(e[3], 1 - 1e-4)};
  });
  ExpectMatchesRiemann(MakeTable(entry), clamped, 1e-3);
}

}  // namespace
