#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "render/brick_grid.h"

namespace {

using Size = std::array<int32_t, 3>;
using Corner = std::array<float, 3>;

// A volume of zeros with the given voxels set; the grid made from it.
BrickGrid Grid(const Size& n, const std::vector<std::pair<Size, float>>& voxels) {
  std::vector<float> v(size_t{1} * n[0] * n[1] * n[2]);
  for (const auto& [at, value] : voxels)
    v[(size_t{1} * at[2] * n[1] + at[1]) * n[0] + at[0]] = value;
  return BrickGrid(v.data(), n[0], n[1], n[2]);  // v is gone before any table comes
}

// Opacity 0.5 over entries first to last, clear elsewhere.
std::vector<float> Table(int first, int last = 255) {
  std::vector<float> table(1024, 0.7f);
  for (int i = 0; i < 256; ++i) table[4 * i + 3] = i >= first && i <= last ? 0.5f : 0.0f;
  return table;
}

void ExpectBox(const BrickGrid& grid, const Corner& lo, const Corner& hi) {
  // An empty box would be all zeros: no hi here is.
  EXPECT_EQ(grid.VisibleBox().lo, lo);
  EXPECT_EQ(grid.VisibleBox().hi, hi);
}

TEST(BrickGrid, BlobsKeepTheirBricksOnly) {
  // 20 voxels: bricks over 0..8, 8..16 and 16..19 on each axis.
  BrickGrid grid = Grid({20, 20, 20}, {{{0, 0, 0}, 0.8f}, {{3, 3, 3}, 0.8f}});
  EXPECT_EQ(grid.SkippedFraction(), 0.0);  // all visible before a table is given
  grid.UpdateVisibility(Table(128).data());
  ExpectBox(grid, {0, 0, 0}, {8.5f / 20, 8.5f / 20, 8.5f / 20});
  EXPECT_DOUBLE_EQ(grid.SkippedFraction(), 26.0 / 27.0);
  // Far corner, clear of voxel 16 that the middle bricks share: to the faces.
  grid = Grid({20, 20, 20}, {{{17, 19, 18}, 0.8f}});
  grid.UpdateVisibility(Table(128).data());
  ExpectBox(grid, {16.5f / 20, 16.5f / 20, 16.5f / 20}, {1, 1, 1});
  // Both threads, sizes not multiples of 8 (9, 8 and 9 bricks), two blobs;
  // voxel 64 along x is both the last of brick 7 and the first of brick 8.
  grid = Grid({70, 65, 66}, {{{69, 64, 65}, 1.0f}, {{64, 0, 0}, 0.6f}});
  grid.UpdateVisibility(Table(250).data());
  ExpectBox(grid, {64.5f / 70, 56.5f / 65, 64.5f / 66}, {1, 1, 1});
  grid.UpdateVisibility(Table(150).data());
  ExpectBox(grid, {56.5f / 70, 0, 0}, {1, 1, 1});
  EXPECT_NEAR(grid.SkippedFraction(), 1.0 - 3.0 / (9 * 8 * 9), 1e-12);
}

// A crop counts only the bricks that reach into it, and cuts the box to it.
TEST(BrickGrid, VisibleBoxWithinACrop) {
  BrickGrid grid = Grid({20, 20, 20}, {{{1, 1, 1}, 0.8f}, {{17, 19, 18}, 0.8f}});
  grid.UpdateVisibility(Table(128).data());
  TextureBox left = WholeTextureBox();
  left.hi[0] = 0.3f;
  EXPECT_EQ(grid.VisibleBox(left).lo, (Corner{0, 0, 0}));
  EXPECT_EQ(grid.VisibleBox(left).hi, (Corner{0.3f, 8.5f / 20, 8.5f / 20}));
  TextureBox right = WholeTextureBox();
  right.lo[0] = 0.6f;
  EXPECT_EQ(grid.VisibleBox(right).lo, (Corner{16.5f / 20, 16.5f / 20, 16.5f / 20}));
  TextureBox between = WholeTextureBox();
  between.lo = {0.45f, 0.45f, 0.45f};
  between.hi = {0.55f, 0.55f, 0.55f};
  EXPECT_TRUE(grid.VisibleBox(between).empty);
}

TEST(BrickGrid, EntriesReachedByInterpolationBetweenTheBricksValues) {
  // Brick 0 peaks between entries 198 and 199, brick 1 between 199 and 200,
  // brick 2 holds 0 and 0.5 (between entries 127 and 128).
  BrickGrid grid = Grid({25, 2, 2}, {{{3, 0, 0}, 198.6f / 255},
                                     {{12, 1, 1}, 199.2f / 255},
                                     {{20, 0, 1}, 0.5f}});
  grid.UpdateVisibility(Table(200).data());
  EXPECT_FALSE(grid.Visible(0, 0, 0));
  EXPECT_TRUE(grid.Visible(1, 0, 0));
  EXPECT_FALSE(grid.Visible(2, 0, 0));
  grid.UpdateVisibility(Table(128, 128).data());
  EXPECT_TRUE(grid.Visible(2, 0, 0));
  grid.UpdateVisibility(Table(129, 129).data());
  EXPECT_FALSE(grid.Visible(2, 0, 0));
  // Above every brick's values: nothing to show; at 0 alone: every brick.
  grid.UpdateVisibility(Table(201).data());
  EXPECT_TRUE(grid.VisibleBox().empty);
  grid.UpdateVisibility(Table(0, 0).data());
  ExpectBox(grid, {0, 0, 0}, {1, 1, 1});
}

}  // namespace
