// Which parts of the volume the transfer function can show: a coarse grid
// of bricks holding each one's least and greatest voxel value, made once per
// volume, and the bricks a table leaves visible, redone from the grid alone
// whenever the table changes.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// An axis-aligned box in texture coordinates, [0, 1] on each axis.
struct TextureBox {
  std::array<float, 3> lo{};
  std::array<float, 3> hi{};
  bool empty = true;
};

// The whole texture.
inline TextureBox WholeTextureBox() {
  TextureBox box;
  box.hi = {1.0f, 1.0f, 1.0f};
  box.empty = false;
  return box;
}

class BrickGrid {
public:
  static constexpr int32_t kBrickVoxels = 8;

  // volume: nx*ny*nz floats in [0, 1], x fastest, as uploaded; every size
  // 1 or more, any size. Brick b of an axis covers voxels 8b to 8b + 8 (with
  // bricks of 8; brickVoxels 1 or more sets another size), the
  // first voxel of the next brick included, so every trilinear sample
  // between voxel centres in its part of the volume reads voxels of its own
  // brick only. One pass over the voxels, on both cores when large. Every
  // brick counts as visible until UpdateVisibility.
  BrickGrid(const float* volume, int32_t nx, int32_t ny, int32_t nz, int32_t brickVoxels = kBrickVoxels);

  // rgba: the 256-entry table (1024 floats), entry i at value i / 255 and
  // read with interpolation. A brick is visible when some entry whose
  // interval touches its values, from floor(min * 255) to ceil(max * 255),
  // has an opacity above 0. O(bricks); the voxels are not read again.
  void UpdateVisibility(const float* rgba);

  // Bricks of `size` voxels along an axis of n: the gaps between voxel
  // centres in groups of `size`, and one brick for a single voxel.
  static int32_t BricksAlong(int32_t n, int32_t size) { return std::max(1, (n - 1 + size - 1) / size); }

  int32_t BrickVoxels() const { return brickVoxels_; }
  const std::array<int32_t, 3>& Bricks() const { return bricks_; }
  // 1 per visible brick, 0 per other, x fastest: a texture's texels.
  const std::vector<uint8_t>& Visibility() const { return visible_; }
  bool Visible(int32_t bx, int32_t by, int32_t bz) const {
    return visible_[Index(bx, by, bz)] != 0;
  }

  // The smallest box holding every visible brick's part of the texture:
  // from the centre of its first voxel to that of its last, reaching the
  // texture's faces at the outer bricks, where sampling clamps to them.
  // Empty when no brick is visible. With `within`, only the bricks that
  // reach into it count, and the box is cut to it: a crop draws no more than
  // the visible part of what it keeps.
  TextureBox VisibleBox(const TextureBox& within = WholeTextureBox()) const;

  // Each visible brick's part of the texture, as VisibleBox bounds them.
  std::vector<TextureBox> VisibleBricks() const;

  // Share of the bricks that are not visible, 0 to 1.
  double SkippedFraction() const;

private:
  size_t Index(int32_t bx, int32_t by, int32_t bz) const {
    return (static_cast<size_t>(bz) * bricks_[1] + by) * bricks_[0] + bx;
  }

  int32_t FirstVoxel(int32_t b) const { return b * brickVoxels_; }
  int32_t LastVoxel(int32_t b, int32_t n) const { return std::min(b * brickVoxels_ + brickVoxels_, n - 1); }

  int32_t brickVoxels_;
  std::array<int32_t, 3> sizes_;
  std::array<int32_t, 3> bricks_;
  std::vector<float> min_;
  std::vector<float> max_;
  std::vector<uint8_t> visible_;
};
