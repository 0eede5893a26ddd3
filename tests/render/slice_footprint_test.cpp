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

// A perspective-like window mapping per slice: nearer slices larger.
std::vector<SliceWindow> RandomWindows(std::mt19937& random, double spacing, int64_t first, int64_t count) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double focal = 300 + 600 * unit(random), distance = 400 + 300 * unit(random);
  const double cx = 250 + 200 * unit(random), cy = 250 + 200 * unit(random);
  const double flipY = unit(random) < 0.2 ? -1.0 : 1.0;
  std::vector<SliceWindow> windows;
  for (int64_t n = 0; n < count; ++n) {
    const double scale = focal / (distance - spacing * static_cast<double>(first + n));
    windows.push_back(SliceWindow{scale, cx, flipY * scale, cy});
  }
  return windows;
}

// Whatever the volume, table, bricks, turn and window, every point whose
// value the table shows lies in a needed tile of each slice that reads it:
// skipping empty space never drops a visible sample.
TEST(SliceFootprintTest, EveryVisibleSampleLiesInANeededTileOfEachSliceReadingIt) {
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

    const int brickVoxels = std::array<int, 4>{1, 2, 4, 8}[trial % 4];
    BrickGrid grid(volume.values.data(), volume.nx, volume.ny, volume.nz, brickVoxels);
    grid.UpdateVisibility(table.data());
    const Rotation turn = RandomRotation(random);
    const std::array<double, 3> sides{200.0 * (0.5 + unit(random) / 2), 200.0, 200.0 * (0.5 + unit(random) / 2)};
    std::vector<EyeBounds> bounds;
    BrickEyeBounds(grid.VisibleBricks(), turn, sides, bounds);
    const double spacing = 200.0 / (20 + random() % 200);
    const int64_t first = static_cast<int64_t>(std::floor(-200 / spacing)), count = static_cast<int64_t>(400 / spacing);
    const double reach = 2 * spacing;
    const std::vector<SliceWindow> windows = RandomWindows(random, spacing, first, count);
    const TileGrid tiles = TileGridOver(static_cast<int>(random() % 50), static_cast<int>(random() % 50),
                                        700 + static_cast<int>(random() % 900), 700 + static_cast<int>(random() % 900));
    std::vector<SliceTiles> needed;
    SliceFootprints(bounds, spacing, first, count, reach, windows, tiles, needed);

    int visible = 0, inGrid = 0;
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
        // The pixel whose fragment on this slice reads the point.
        const SliceWindow& w = windows[static_cast<size_t>(n)];
        const int column = static_cast<int>(std::floor((w.scaleX * eye[0] + w.offsetX - tiles.x0) / tiles.size));
        const int row = static_cast<int>(std::floor((w.scaleY * eye[1] + w.offsetY - tiles.y0) / tiles.size));
        if (column < 0 || column >= tiles.columns || row < 0 || row >= tiles.rows) continue;
        ++inGrid;
        ASSERT_TRUE(needed[static_cast<size_t>(n)].any && needed[static_cast<size_t>(n)].Needs(column, row))
            << "trial " << trial << " slice " << n << " tile " << column << ", " << row;
      }
    }
    EXPECT_GT(visible, 0) << "trial " << trial;
    EXPECT_GT(inGrid, 0) << "trial " << trial;
  }
}

// The footprints do skip: one visible corner brick leaves most slices
// empty, and the rest need only the tiles under that brick.
TEST(SliceFootprintTest, SlicesAndTilesAwayFromTheVisibleBricksNeedNothing) {
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
  // Slices at z = -100 .. 90, the window 2 pixels per unit, x = -128 at pixel 0.
  const std::vector<SliceWindow> windows(20, SliceWindow{2, 256, 2, 256});
  const TileGrid grid = TileGridOver(0, 0, 500, 500);
  ASSERT_EQ(grid.size, 8);
  std::vector<SliceTiles> needed;
  SliceFootprints(bounds, 10, -10, 20, 0, windows, grid, needed);
  int drawn = 0;
  for (int n = 0; n < 20; ++n) {
    if (!needed[n].any) continue;
    ++drawn;
    // x from -100 to -50: pixels 56 to 156, tiles 7 to 19.
    for (int column = 0; column < grid.columns; ++column)
      EXPECT_EQ(needed[n].Needs(column, 10), column >= 7 && column <= 19) << column;
    EXPECT_FALSE(needed[n].Needs(10, 20));
  }
  EXPECT_EQ(drawn, 6);  // z = -100 .. -50
  SliceFootprints({}, 10, -10, 20, 0, windows, grid, needed);
  EXPECT_TRUE(std::none_of(needed.begin(), needed.end(), [](const SliceTiles& t) { return t.any; }));
}

// Tiles are whole blocks of 4 pixels, aligned to the window, and cover the
// viewport in at most 64 a side whatever its size.
TEST(SliceFootprintTest, TileGridsAlignToTheWindowAndCoverTheViewport) {
  for (const std::array<int, 4>& viewport : {std::array<int, 4>{0, 0, 500, 500}, std::array<int, 4>{13, 27, 400, 300},
                                             std::array<int, 4>{250, 0, 1000, 1000}, std::array<int, 4>{5, 3, 4000, 64},
                                             std::array<int, 4>{0, 0, 1, 1}}) {
    const TileGrid grid = TileGridOver(viewport[0], viewport[1], viewport[2], viewport[3]);
    const int size = static_cast<int>(grid.size);
    EXPECT_EQ(size % 4, 0);
    EXPECT_GE(size, 8);
    EXPECT_EQ(static_cast<int>(grid.x0) % size, 0);
    EXPECT_EQ(static_cast<int>(grid.y0) % size, 0);
    EXPECT_LE(grid.x0, viewport[0]);
    EXPECT_LE(grid.y0, viewport[1]);
    EXPECT_GE(grid.x0 + grid.columns * grid.size, viewport[0] + viewport[2]) << viewport[2];
    EXPECT_GE(grid.y0 + grid.rows * grid.size, viewport[1] + viewport[3]) << viewport[3];
    EXPECT_LE(grid.columns, kFootprintTiles);
    EXPECT_LE(grid.rows, kFootprintTiles);
  }
}

// Rectangles cover exactly the needed tiles, never one twice (a pixel
// blended twice would show), and merge rows that need the same run.
TEST(SliceFootprintTest, TileRectanglesCoverEachNeededTileOnce) {
  std::mt19937 random(3);
  TileGrid grid = TileGridOver(0, 0, 512, 512);
  std::vector<TileRect> rects;
  for (int trial = 0; trial < 200; ++trial) {
    SliceTiles tiles{{}, true};
    // Blobs of set tiles, as bricks make them, and stray ones.
    for (int blob = 0; blob < 4; ++blob) {
      const int c0 = random() % 64, r0 = random() % 64, c1 = std::min(63, c0 + static_cast<int>(random() % 30)),
                r1 = std::min(63, r0 + static_cast<int>(random() % 30));
      for (int row = r0; row <= r1; ++row)
        for (int column = c0; column <= c1; ++column) tiles.rows[row] |= uint64_t{1} << column;
    }
    for (int stray = 0; stray < 20; ++stray) tiles.rows[random() % 64] |= uint64_t{1} << (random() % 64);
    grid.rows = grid.columns = 64;
    TileRectangles(tiles, grid, rects);
    std::array<std::array<int, 64>, 64> covered{};
    for (const TileRect& rect : rects) {
      ASSERT_LT(rect.column0, rect.column1);
      ASSERT_LT(rect.row0, rect.row1);
      for (int row = rect.row0; row < rect.row1; ++row)
        for (int column = rect.column0; column < rect.column1; ++column) ++covered[row][column];
    }
    for (int row = 0; row < 64; ++row)
      for (int column = 0; column < 64; ++column)
        ASSERT_EQ(covered[row][column], tiles.Needs(column, row) ? 1 : 0) << trial << ": " << column << ", " << row;
  }
  SliceTiles band{{}, true};
  for (int row = 10; row < 30; ++row) band.rows[row] = uint64_t{0xff} << 60 | 0xf0;
  TileRectangles(band, grid, rects);
  EXPECT_EQ(rects.size(), 2u);
}

// The slices' window mapping is the GL's own: a perspective camera moved
// by a pan, checked against the matrices by hand.
TEST(SliceFootprintTest, SliceWindowsFollowTheCamera) {
  // gluPerspective(60, 1.25, 1, 1000) and a translation by (12, -7, -250), column-major.
  const double f = 1.0 / std::tan(M_PI / 6), aspect = 1.25, nearPlane = 1, farPlane = 1000;
  double projection[16] = {f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (farPlane + nearPlane) / (nearPlane - farPlane), -1,
                           0, 0, 2 * farPlane * nearPlane / (nearPlane - farPlane), 0};
  double modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 12, -7, -250, 1};
  const int viewport[4] = {20, 10, 500, 400};
  std::vector<SliceWindow> windows;
  ASSERT_TRUE(SliceWindows(modelview, projection, viewport, 4, -30, 60, windows));
  ASSERT_EQ(windows.size(), 60u);
  for (int n = 0; n < 60; n += 7) {
    const double z = 4.0 * (n - 30), depth = 250 - z;
    for (const std::array<double, 2>& p : {std::array<double, 2>{0, 0}, std::array<double, 2>{-40, 33}}) {
      const double wx = viewport[0] + (f / aspect * (p[0] + 12) / depth + 1) * viewport[2] / 2;
      const double wy = viewport[1] + (f * (p[1] - 7) / depth + 1) * viewport[3] / 2;
      EXPECT_NEAR(windows[n].scaleX * p[0] + windows[n].offsetX, wx, 1e-9);
      EXPECT_NEAR(windows[n].scaleY * p[1] + windows[n].offsetY, wy, 1e-9);
    }
  }
  // A slice behind the eye, and a view turned about its axis, have none.
  EXPECT_FALSE(SliceWindows(modelview, projection, viewport, 4, 60, 10, windows));
  double turned[16] = {0.8, 0.6, 0, 0, -0.6, 0.8, 0, 0, 0, 0, 1, 0, 0, 0, -250, 1};
  EXPECT_FALSE(SliceWindows(turned, projection, viewport, 4, -30, 60, windows));
  EXPECT_TRUE(windows.empty());
}

}  // namespace
