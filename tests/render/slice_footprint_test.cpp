#include "render/slice_footprint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

struct Volume {
  int nx, ny, nz;
  std::vector<float> values;
  float At(int x, int y, int z) const {
    x = std::clamp(x, 0, nx - 1);
    y = std::clamp(y, 0, ny - 1);
    z = std::clamp(z, 0, nz - 1);
    return values[(static_cast<size_t>(z) * ny + y) * nx + x];
  }
  // What a linear texture read at texture coordinate t gives, clamped at the faces.
  float Sample(const std::array<double, 3>& t) const {
    const int n[3] = {nx, ny, nz};
    int i[3];
    double f[3];
    for (int a = 0; a < 3; ++a) {
      const double u = std::clamp(t[a] * n[a] - 0.5, 0.0, n[a] - 1.0);
      i[a] = static_cast<int>(std::floor(u));
      f[a] = u - i[a];
    }
    double sum = 0;
    for (int c = 0; c < 8; ++c) {
      double w = 1;
      for (int a = 0; a < 3; ++a) w *= (c >> a & 1) ? f[a] : 1 - f[a];
      if (w > 0) sum += w * At(i[0] + (c & 1), i[1] + (c >> 1 & 1), i[2] + (c >> 2 & 1));
    }
    return static_cast<float>(sum);
  }
};

// The table's opacity at a value, read between entries as the texture does.
double Opacity(const std::vector<float>& table, float value) {
  const double u = std::clamp(value * 255.0, 0.0, 255.0);
  const int i = std::min(static_cast<int>(u), 254);
  return table[4 * i + 3] * (1 - (u - i)) + table[4 * (i + 1) + 3] * (u - i);
}

Rotation RandomRotation(std::mt19937& random) {
  std::uniform_real_distribution<double> angle(-3.2, 3.2);
  const double a = angle(random), b = angle(random), c = angle(random);
  const Rotation x{1, 0, 0, 0, std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a)};
  const Rotation y{std::cos(b), 0, std::sin(b), 0, 1, 0, -std::sin(b), 0, std::cos(b)};
  const Rotation z{std::cos(c), -std::sin(c), 0, std::sin(c), std::cos(c), 0, 0, 0, 1};
  const auto times = [](const Rotation& p, const Rotation& q) {
    Rotation m{};
    for (int r = 0; r < 3; ++r)
      for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j) m[3 * r + k] += p[3 * r + j] * q[3 * j + k];
    return m;
  };
  return times(times(x, y), z);
}

// Whatever the volume, table and turn, every point whose value the table
// shows lies inside the footprint of each slice that reads it: skipping
// empty space never drops a visible sample.
TEST(SliceFootprintTest, EveryVisibleSampleLiesInTheFootprintOfEachSliceReadingIt) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int trial = 0; trial < 40; ++trial) {
    Volume volume{5 + static_cast<int>(random() % 30), 5 + static_cast<int>(random() % 30),
                  5 + static_cast<int>(random() % 30), {}};
    // Sparse blobs of high values in low noise: most bricks empty, some not.
    volume.values.resize(static_cast<size_t>(volume.nx) * volume.ny * volume.nz);
    for (float& v : volume.values) v = static_cast<float>(0.3 * unit(random));
    for (int blob = 0; blob < 3; ++blob) {
      const int cx = random() % volume.nx, cy = random() % volume.ny, cz = random() % volume.nz;
      for (int z = 0; z < volume.nz; ++z)
        for (int y = 0; y < volume.ny; ++y)
          for (int x = 0; x < volume.nx; ++x)
            if (std::abs(x - cx) + std::abs(y - cy) + std::abs(z - cz) < 3)
              volume.values[(static_cast<size_t>(z) * volume.ny + y) * volume.nx + x] = static_cast<float>(0.5 + 0.5 * unit(random));
    }
    // Opaque above a random threshold, and sometimes one narrow band too.
    std::vector<float> table(4 * 256, 0.0f);
    const int threshold = 100 + static_cast<int>(random() % 150);
    for (int i = threshold; i < 256; ++i) table[4 * i + 3] = 0.5f;
    if (trial % 2) table[4 * (random() % 80) + 3] = 0.2f;

    BrickGrid grid(volume.values.data(), volume.nx, volume.ny, volume.nz);
    grid.UpdateVisibility(table.data());
    const Rotation turn = RandomRotation(random);
    const std::array<double, 3> sides{200.0 * (0.5 + unit(random) / 2), 200.0, 200.0 * (0.5 + unit(random) / 2)};
    std::vector<EyeBounds> bounds;
    BrickEyeBounds(grid.VisibleBricks(), turn, sides, bounds);
    const double spacing = 200.0 / (20 + random() % 200);
    const int64_t first = static_cast<int64_t>(std::floor(-200 / spacing)), count = static_cast<int64_t>(400 / spacing);
    const double reach = 2 * spacing;
    std::vector<SliceRect> rects;
    SliceFootprints(bounds, spacing, first, count, reach, rects);

    int visible = 0;
    // Every voxel's centre, where the blobs peak, then points anywhere.
    const int voxels = volume.nx * volume.ny * volume.nz;
    for (int sample = 0; sample < voxels + 20000; ++sample) {
      const int x = sample % volume.nx, y = sample / volume.nx % volume.ny, z = sample / volume.nx / volume.ny;
      const std::array<double, 3> t =
          sample < voxels ? std::array<double, 3>{(x + 0.5) / volume.nx, (y + 0.5) / volume.ny, (z + 0.5) / volume.nz}
                          : std::array<double, 3>{unit(random), unit(random), unit(random)};
      if (Opacity(table, volume.Sample(t)) <= 0) continue;
      ++visible;
      std::array<double, 3> eye{};
      for (int r = 0; r < 3; ++r)
        for (int a = 0; a < 3; ++a) eye[r] += turn[3 * r + a] * (t[a] - 0.5) * sides[a];
      for (int64_t n = 0; n < count; ++n) {
        const double z = spacing * static_cast<double>(first + n);
        if (eye[2] < z || eye[2] > z + reach) continue;
        const SliceRect& rect = rects[static_cast<size_t>(n)];
        ASSERT_TRUE(eye[0] >= rect.x0 && eye[0] <= rect.x1 && eye[1] >= rect.y0 && eye[1] <= rect.y1)
            << "trial " << trial << " slice " << n;
        const auto cell = [](double at, double size) {
          return std::clamp(static_cast<int>(std::floor(at / size)), 0, kFootprintCells - 1);
        };
        ASSERT_TRUE(rect.Needs(cell(eye[0] - rect.x0, (rect.x1 - rect.x0) / kFootprintCells),
                               cell(eye[1] - rect.y0, (rect.y1 - rect.y0) / kFootprintCells)))
            << "trial " << trial << " slice " << n;
      }
    }
    EXPECT_GT(visible, 0) << "trial " << trial;
  }
}

// The footprints do skip: a single visible corner brick leaves most slices
// empty and the rest no larger than that brick.
TEST(SliceFootprintTest, SlicesAwayFromTheVisibleBricksNeedNothing) {
  const Rotation identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
  TextureBox corner;
  corner.lo = {0.0f, 0.0f, 0.0f};
  corner.hi = {0.25f, 0.25f, 0.25f};
  corner.empty = false;
  std::vector<EyeBounds> bounds;
  BrickEyeBounds({corner}, identity, {200, 200, 200}, bounds);
  ASSERT_EQ(bounds.size(), 1u);
  EXPECT_DOUBLE_EQ(bounds[0].lo[0], -100);
  EXPECT_DOUBLE_EQ(bounds[0].hi[2], -50);
  std::vector<SliceRect> rects;
  SliceFootprints(bounds, 10, -10, 20, 0, rects);  // slices at z = -100 .. 90
  int drawn = 0;
  for (int n = 0; n < 20; ++n) {
    if (rects[n].Empty()) continue;
    ++drawn;
    EXPECT_DOUBLE_EQ(rects[n].x0, -100);
    EXPECT_DOUBLE_EQ(rects[n].x1, -50);
  }
  EXPECT_EQ(drawn, 6);  // z = -100 .. -50
  // Two bricks at opposite corners of the slice need the cells at its
  // corners, not those between them.
  TextureBox far = corner;
  far.lo = {0.75f, 0.75f, 0.0f};
  far.hi = {1.0f, 1.0f, 0.25f};
  BrickEyeBounds({corner, far}, identity, {200, 200, 200}, bounds);
  SliceFootprints(bounds, 10, -10, 20, 0, rects);
  const SliceRect& slice = rects[2];
  EXPECT_TRUE(slice.Needs(0, 0));
  EXPECT_TRUE(slice.Needs(kFootprintCells - 1, kFootprintCells - 1));
  EXPECT_FALSE(slice.Needs(kFootprintCells - 1, 0));
  EXPECT_FALSE(slice.Needs(kFootprintCells / 2, kFootprintCells / 2));
  SliceFootprints({}, 10, -10, 20, 0, rects);
  EXPECT_TRUE(std::all_of(rects.begin(), rects.end(), [](const SliceRect& r) { return r.Empty(); }));
}

}  // namespace
