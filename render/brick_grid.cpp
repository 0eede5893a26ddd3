#include "render/brick_grid.h"

#include <algorithm>
#include <cmath>

#include "render/split_work.h"
#include "transfer/initial_table.h"

namespace {

constexpr int kEntries = kTransferEntries;
// Volumes smaller than this are not worth a second thread.
constexpr size_t kThreadingThreshold = size_t{1} << 18;

// Table entry at the value, clamped to the table (NaN to entry 0).
int32_t Entry(float value, bool up) {
  const float position = value * (kEntries - 1);
  const float entry = up ? std::ceil(position) : std::floor(position);
  if (!(entry > 0.0f)) return 0;
  return static_cast<int32_t>(std::min(entry, float{kEntries - 1}));
}

}  // namespace

BrickGrid::BrickGrid(const float* volume, int32_t nx, int32_t ny, int32_t nz, int32_t brickVoxels)
    : brickVoxels_(std::max(brickVoxels, 1)),
      sizes_{nx, ny, nz},
      bricks_{BricksAlong(nx, brickVoxels_), BricksAlong(ny, brickVoxels_), BricksAlong(nz, brickVoxels_)} {
  const size_t count = static_cast<size_t>(bricks_[0]) * bricks_[1] * bricks_[2];
  min_.resize(count);
  max_.resize(count);
  visible_.assign(count, 1);
  const size_t row = nx, plane = row * ny;
  const bool large = plane * nz >= kThreadingThreshold;
  SplitWork(bricks_[2], large, [&](int32_t bzBegin, int32_t bzEnd) {
    for (int32_t bz = bzBegin; bz < bzEnd; ++bz)
      for (int32_t by = 0; by < bricks_[1]; ++by)
        for (int32_t bx = 0; bx < bricks_[0]; ++bx) {
          const int32_t x0 = FirstVoxel(bx), x1 = LastVoxel(bx, nx);
          float lo = volume[plane * FirstVoxel(bz) + row * FirstVoxel(by) + x0], hi = lo;
          for (int32_t z = FirstVoxel(bz); z <= LastVoxel(bz, nz); ++z)
            for (int32_t y = FirstVoxel(by); y <= LastVoxel(by, ny); ++y) {
              const float* in = volume + plane * z + row * y;
              for (int32_t x = x0; x <= x1; ++x) {
                lo = std::min(lo, in[x]);
                hi = std::max(hi, in[x]);
              }
            }
          min_[Index(bx, by, bz)] = lo;
          max_[Index(bx, by, bz)] = hi;
        }
  });
}

void BrickGrid::UpdateVisibility(const float* rgba) {
  // seen[i]: entries below i with an opacity above 0.
  std::array<int32_t, kEntries + 1> seen{};
  for (int i = 0; i < kEntries; ++i) seen[i + 1] = seen[i] + (rgba[4 * i + 3] > 0.0f ? 1 : 0);
  for (size_t b = 0; b < visible_.size(); ++b) {
    visible_[b] = seen[Entry(max_[b], true) + 1] > seen[Entry(min_[b], false)];
  }
}

std::vector<TextureBox> BrickGrid::VisibleBricks() const {
  std::vector<TextureBox> boxes;
  for (int32_t bz = 0; bz < bricks_[2]; ++bz)
    for (int32_t by = 0; by < bricks_[1]; ++by)
      for (int32_t bx = 0; bx < bricks_[0]; ++bx) {
        if (!Visible(bx, by, bz)) continue;
        const std::array<int32_t, 3> at{bx, by, bz};
        TextureBox box;
        box.empty = false;
        for (int a = 0; a < 3; ++a) {
          const float n = static_cast<float>(sizes_[a]);
          box.lo[a] = at[a] == 0 ? 0.0f : (FirstVoxel(at[a]) + 0.5f) / n;
          box.hi[a] = at[a] == bricks_[a] - 1 ? 1.0f : (LastVoxel(at[a], sizes_[a]) + 0.5f) / n;
        }
        boxes.push_back(box);
      }
  return boxes;
}

TextureBox BrickGrid::VisibleBox(const TextureBox& within) const {
  if (within.empty) return within;
  // The bricks of each axis that reach into `within`: brick b's samples lie
  // between the centres of its first and last voxels.
  std::array<int32_t, 3> from{}, to{};
  for (int a = 0; a < 3; ++a) {
    const float n = static_cast<float>(sizes_[a]);
    from[a] = bricks_[a];
    to[a] = -1;
    for (int32_t b = 0; b < bricks_[a]; ++b) {
      const float lo = b == 0 ? 0.0f : (FirstVoxel(b) + 0.5f) / n;
      const float hi = b == bricks_[a] - 1 ? 1.0f : (LastVoxel(b, sizes_[a]) + 0.5f) / n;
      if (hi < within.lo[a] || lo > within.hi[a]) continue;
      from[a] = std::min(from[a], b);
      to[a] = b;
    }
  }
  std::array<int32_t, 3> first = bricks_, last{-1, -1, -1};
  for (int32_t bz = from[2]; bz <= to[2]; ++bz)
    for (int32_t by = from[1]; by <= to[1]; ++by)
      for (int32_t bx = from[0]; bx <= to[0]; ++bx) {
        if (!Visible(bx, by, bz)) continue;
        const std::array<int32_t, 3> at{bx, by, bz};
        for (int a = 0; a < 3; ++a) {
          first[a] = std::min(first[a], at[a]);
          last[a] = std::max(last[a], at[a]);
        }
      }
  TextureBox box;
  if (last[0] < 0) return box;
  box.empty = false;
  for (int a = 0; a < 3; ++a) {
    const float n = static_cast<float>(sizes_[a]);
    box.lo[a] = first[a] == 0 ? 0.0f : (FirstVoxel(first[a]) + 0.5f) / n;
    box.hi[a] = last[a] == bricks_[a] - 1 ? 1.0f : (LastVoxel(last[a], sizes_[a]) + 0.5f) / n;
    box.lo[a] = std::max(box.lo[a], within.lo[a]);
    box.hi[a] = std::min(box.hi[a], within.hi[a]);
  }
  return box;
}

double BrickGrid::SkippedFraction() const {
  const auto shown = std::count(visible_.begin(), visible_.end(), uint8_t{1});
  return 1.0 - static_cast<double>(shown) / static_cast<double>(visible_.size());
}
