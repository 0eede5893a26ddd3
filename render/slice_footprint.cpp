#include "render/slice_footprint.h"

#include <algorithm>
#include <cmath>

#include "render/clip_coordinates.h"

void BrickEyeBounds(const std::vector<TextureBox>& bricks, const Rotation& rotation,
                    const std::array<double, 3>& sides, std::vector<EyeBounds>& out) {
  out.clear();
  for (const TextureBox& brick : bricks) {
    if (brick.empty) continue;
    // A turned box's extent along each eye axis: its centre's position plus
    // the absolute row times its half-sides.
    EyeBounds bounds{};
    for (int row = 0; row < 3; ++row) {
      double centre = 0, half = 0;
      for (int axis = 0; axis < 3; ++axis) {
        const double m = rotation[static_cast<size_t>(3 * row + axis)];
        const double lo = (brick.lo[axis] - 0.5) * sides[axis], hi = (brick.hi[axis] - 0.5) * sides[axis];
        centre += m * (lo + hi) / 2;
        half += std::abs(m) * (hi - lo) / 2;
      }
      bounds.lo[row] = centre - half;
      bounds.hi[row] = centre + half;
    }
    out.push_back(bounds);
  }
}

TileGrid TileGridOver(int x, int y, int width, int height) {
  TileGrid grid;
  // The fewest pixels, in fours, that keep a side within the tiles: one
  // tile more than the viewport spans, as its corner need not be aligned.
  const int longest = std::max({width, height, 1});
  const int size = std::max(8, 4 * ((longest + 4 * (kFootprintTiles - 1) - 1) / (4 * (kFootprintTiles - 1))));
  grid.size = size;
  grid.x0 = std::floor(static_cast<double>(x) / size) * size;
  grid.y0 = std::floor(static_cast<double>(y) / size) * size;
  grid.columns = std::min(kFootprintTiles, static_cast<int>(std::ceil((x + width - grid.x0) / size)));
  grid.rows = std::min(kFootprintTiles, static_cast<int>(std::ceil((y + height - grid.y0) / size)));
  return grid;
}

bool SliceWindows(const double modelview[16], const double projection[16], const int viewport[4],
                  double spacing, int64_t first, int64_t count, std::vector<SliceWindow>& out) {
  out.clear();
  for (int64_t n = 0; n < count; ++n) {
    const double z = spacing * static_cast<double>(first + n);
    const std::array<double, 4> o = ClipCoordinates(modelview, projection, 0, 0, z);
    const std::array<double, 4> ex = ClipCoordinates(modelview, projection, 1, 0, z);
    const std::array<double, 4> ey = ClipCoordinates(modelview, projection, 0, 1, z);
    const double w = o[3];
    const double tolerance = 1e-9 * (std::abs(w) + 1);
    // The plane's window coordinates are affine in x and y, each alone,
    // only when neither moves w nor the other's coordinate.
    if (!(w > 0) || std::abs(ex[3] - w) > tolerance || std::abs(ey[3] - w) > tolerance ||
        std::abs(ex[1] - o[1]) > tolerance || std::abs(ey[0] - o[0]) > tolerance) {
      out.clear();
      return false;
    }
    const double halfWidth = viewport[2] / 2.0, halfHeight = viewport[3] / 2.0;
    SliceWindow window;
    window.scaleX = (ex[0] - o[0]) / w * halfWidth;
    window.offsetX = viewport[0] + (o[0] / w + 1.0) * halfWidth;
    window.scaleY = (ey[1] - o[1]) / w * halfHeight;
    window.offsetY = viewport[1] + (o[1] / w + 1.0) * halfHeight;
    if (window.scaleX == 0 || window.scaleY == 0) {
      out.clear();
      return false;
    }
    out.push_back(window);
  }
  return true;
}

void SliceFootprints(const std::vector<EyeBounds>& boxes, double spacing, int64_t first, int64_t count,
                     double reach, const std::vector<SliceWindow>& windows, const TileGrid& grid,
                     std::vector<SliceTiles>& out) {
  out.assign(static_cast<size_t>(std::max<int64_t>(count, 0)), SliceTiles{{}, false});
  if (count <= 0 || spacing <= 0 || static_cast<int64_t>(windows.size()) < count) return;
  // A window coordinate's tile, clamped to one before and one past the grid.
  const auto tile = [&](double at, double origin, int tiles) {
    return static_cast<int>(std::clamp(std::floor((at - origin) / grid.size), -1.0, static_cast<double>(tiles)));
  };
  for (const EyeBounds& box : boxes) {
    // The slices whose planes lie within reach of the box along z.
    const int64_t from = std::max<int64_t>(0, static_cast<int64_t>(std::ceil((box.lo[2] - reach) / spacing)) - first);
    const int64_t to = std::min<int64_t>(count - 1, static_cast<int64_t>(std::floor((box.hi[2] + reach) / spacing)) - first);
    for (int64_t n = from; n <= to; ++n) {
      const SliceWindow& w = windows[static_cast<size_t>(n)];
      const double xa = w.scaleX * box.lo[0] + w.offsetX, xb = w.scaleX * box.hi[0] + w.offsetX;
      const double ya = w.scaleY * box.lo[1] + w.offsetY, yb = w.scaleY * box.hi[1] + w.offsetY;
      const int c0 = std::max(0, tile(std::min(xa, xb), grid.x0, grid.columns));
      const int c1 = std::min(grid.columns - 1, tile(std::max(xa, xb), grid.x0, grid.columns));
      const int r0 = std::max(0, tile(std::min(ya, yb), grid.y0, grid.rows));
      const int r1 = std::min(grid.rows - 1, tile(std::max(ya, yb), grid.y0, grid.rows));
      if (c1 < c0 || r1 < r0) continue;
      // Bits c0 to c1, without shifting a 64-bit word by 64.
      const uint64_t upTo = c1 == 63 ? ~uint64_t{0} : (uint64_t{1} << (c1 + 1)) - 1;
      const uint64_t span = upTo & ~((uint64_t{1} << c0) - 1);
      SliceTiles& tiles = out[static_cast<size_t>(n)];
      for (int row = r0; row <= r1; ++row) tiles.rows[static_cast<size_t>(row)] |= span;
      tiles.any = true;
    }
  }
}

void TileRectangles(const SliceTiles& tiles, const TileGrid& grid, std::vector<TileRect>& out) {
  out.clear();
  std::array<uint64_t, kFootprintTiles> left = tiles.rows;
  const int rows = std::min(grid.rows, kFootprintTiles);
  for (int row = 0; row < rows; ++row) {
    uint64_t& bits = left[static_cast<size_t>(row)];
    while (bits != 0) {
      // The first run of the row, grown down over the rows that need all of it.
      const int start = __builtin_ctzll(bits);
      const uint64_t rest = ~(bits >> start);
      const int length = rest == 0 ? 64 - start : __builtin_ctzll(rest);
      const uint64_t run = (length == 64 ? ~uint64_t{0} : (uint64_t{1} << length) - 1) << start;
      int end = row + 1;
      while (end < rows && (left[static_cast<size_t>(end)] & run) == run) left[static_cast<size_t>(end++)] &= ~run;
      bits &= ~run;
      out.push_back(TileRect{start, row, start + length, end});
    }
  }
}
