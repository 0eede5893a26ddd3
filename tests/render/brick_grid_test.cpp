#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "render/brick_grid.h"

namespace {

struct Volume {
  int32_t nx, ny, nz;
  std::vector<float> voxels;

  Volume(int32_t x, int32_t y, int32_t z) : nx(x), ny(y), nz(z), voxels(size_t{1} * x * y * z) {}
  float& at(int32_t x, int32_t y, int32_t z) { return voxels[(size_t{1} * z * ny + y) * nx + x]; }
  BrickGrid Grid() const { return BrickGrid(voxels.data(), nx, ny, nz); }
};

// Opacity 0.5 from entry `first` on, clear below it; colours anything.
std::vector<float> TableFrom(int first) {
  std::vector<float> table(1024, 0.7f);
  for (int i = 0; i < 256; ++i) table[4 * i + 3] = i >= first ? 0.5f : 0.0f;
  return table;
}

void ExpectBox(const TextureBox& box, std::array<float, 3> lo, std::array<float, 3> hi) {
  ASSERT_FALSE(box.empty);
  for (int a = 0; a < 3; ++a) {
    EXPECT_FLOAT_EQ(box.lo[a], lo[a]) << "axis " << a;
    EXPECT_FLOAT_EQ(box.hi[a], hi[a]) << "axis " << a;
  }
}

TEST(BrickGrid, BlobInACornerKeepsItsBrickOnly) {
  // 3 bricks per axis; the blob's voxels 0..3 lie in the first brick only.
  Volume v(20, 20, 20);
  for (int32_t z = 0; z < 4; ++z)
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x) v.at(x, y, z) = 0.8f;
  BrickGrid grid = v.Grid();
  ASSERT_EQ(grid.Bricks(), (std::array<int32_t, 3>{3, 3, 3}));
  grid.UpdateVisibility(TableFrom(128).data());
  ExpectBox(grid.VisibleBox(), {0, 0, 0}, {8.5f / 20, 8.5f / 20, 8.5f / 20});
  EXPECT_TRUE(grid.Visible(0, 0, 0));
  EXPECT_FALSE(grid.Visible(1, 0, 0));
  EXPECT_DOUBLE_EQ(grid.SkippedFraction(), 26.0 / 27.0);

  // A blob in the far corner, clear of voxel 16 that the middle bricks
  // share: its brick reaches the far faces.
  Volume far(20, 20, 20);
  for (int32_t z = 17; z < 20; ++z)
    for (int32_t y = 17; y < 20; ++y)
      for (int32_t x = 17; x < 20; ++x) far.at(x, y, z) = 0.8f;
  grid = far.Grid();
  grid.UpdateVisibility(TableFrom(128).data());
  ExpectBox(grid.VisibleBox(), {16.5f / 20, 16.5f / 20, 16.5f / 20}, {1, 1, 1});
}

TEST(BrickGrid, EmptyVolumeOrClearTableShowsNothing) {
  Volume v(9, 9, 9);
  BrickGrid grid = v.Grid();
  EXPECT_FALSE(grid.VisibleBox().empty);  // all visible before a table is given
  grid.UpdateVisibility(TableFrom(1).data());
  EXPECT_TRUE(grid.VisibleBox().empty);
  EXPECT_DOUBLE_EQ(grid.SkippedFraction(), 1.0);
  // A table showing value 0 shows the whole volume, to the faces.
  grid.UpdateVisibility(TableFrom(0).data());
  ExpectBox(grid.VisibleBox(), {0, 0, 0}, {1, 1, 1});
  EXPECT_DOUBLE_EQ(grid.SkippedFraction(), 0.0);
}

TEST(BrickGrid, SizesNotMultiplesOfTheBrickAndTheSharedVoxel) {
  // 17 voxels: bricks over 0..8 and 8..16; 9 voxels: one brick; 1 voxel: one.
  Volume v(17, 9, 1);
  v.at(16, 4, 0) = 1.0f;
  BrickGrid grid = v.Grid();
  ASSERT_EQ(grid.Bricks(), (std::array<int32_t, 3>{2, 1, 1}));
  grid.UpdateVisibility(TableFrom(255).data());
  EXPECT_FALSE(grid.Visible(0, 0, 0));
  ExpectBox(grid.VisibleBox(), {8.5f / 17, 0, 0}, {1, 1, 1});

  // Voxel 8 is the first brick's last and the second's first: samples on
  // both sides of it read it.
  v.at(16, 4, 0) = 0.0f;
  v.at(8, 4, 0) = 1.0f;
  grid = v.Grid();
  grid.UpdateVisibility(TableFrom(255).data());
  EXPECT_TRUE(grid.Visible(0, 0, 0));
  EXPECT_TRUE(grid.Visible(1, 0, 0));
}

TEST(BrickGrid, ThresholdTableCountsEntriesReachedByInterpolation) {
  // Brick 0 peaks between entries 198 and 199, brick 1 between 199 and 200,
  // brick 2 at exactly 0.5; the table opens at entry 200.
  Volume v(25, 2, 2);
  v.at(3, 0, 0) = 198.6f / 255;
  v.at(12, 1, 1) = 199.2f / 255;
  for (int32_t x = 17; x < 25; ++x) v.at(x, 0, 1) = 0.5f;
  BrickGrid grid = v.Grid();
  ASSERT_EQ(grid.Bricks()[0], 3);
  grid.UpdateVisibility(TableFrom(200).data());
  EXPECT_FALSE(grid.Visible(0, 0, 0));
  EXPECT_TRUE(grid.Visible(1, 0, 0));
  EXPECT_FALSE(grid.Visible(2, 0, 0));
  // One entry open: value 0.5 sits between entries 127 and 128, so entry
  // 128 shows in brick 2 and entry 129 does not.
  std::vector<float> single = TableFrom(256);
  single[4 * 128 + 3] = 0.1f;
  grid.UpdateVisibility(single.data());
  EXPECT_TRUE(grid.Visible(2, 0, 0));
  single[4 * 128 + 3] = 0.0f;
  single[4 * 129 + 3] = 0.1f;
  grid.UpdateVisibility(single.data());
  EXPECT_FALSE(grid.Visible(2, 0, 0));
  EXPECT_DOUBLE_EQ(grid.SkippedFraction(), 1.0 / 3.0);
}

TEST(BrickGrid, TableChangesNeedOnlyTheGrid) {
  // Large enough for both threads; the voxels are gone before the tables
  // come, so the sanitizer build flags any read of them.
  BrickGrid grid = [] {
    Volume v(70, 65, 66);
    v.at(69, 64, 65) = 1.0f;
    v.at(0, 0, 0) = 0.6f;
    return v.Grid();
  }();
  grid.UpdateVisibility(TableFrom(250).data());
  ExpectBox(grid.VisibleBox(), {64.5f / 70, 56.5f / 65, 64.5f / 66}, {1, 1, 1});
  grid.UpdateVisibility(TableFrom(150).data());
  ExpectBox(grid.VisibleBox(), {0, 0, 0}, {1, 1, 1});
  EXPECT_NEAR(grid.SkippedFraction(), 1.0 - 2.0 / (9 * 8 * 9), 1e-12);
}

}  // namespace
