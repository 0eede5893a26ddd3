#include "render/slice_footprint.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

void SliceFootprints(const std::vector<EyeBounds>& boxes, double spacing, int64_t first, int64_t count,
                     double reach, std::vector<SliceRect>& out) {
  constexpr double kHuge = std::numeric_limits<double>::max();
  out.assign(static_cast<size_t>(std::max<int64_t>(count, 0)), SliceRect{kHuge, kHuge, -kHuge, -kHuge, 0});
  if (count <= 0 || spacing <= 0) return;
  // The slices whose planes lie within reach of a box along z.
  const auto slices = [&](const EyeBounds& box, int64_t& from, int64_t& to) {
    from = std::max<int64_t>(0, static_cast<int64_t>(std::ceil((box.lo[2] - reach) / spacing)) - first);
    to = std::min<int64_t>(count - 1, static_cast<int64_t>(std::floor((box.hi[2] + reach) / spacing)) - first);
  };
  int64_t from = 0, to = -1;
  for (const EyeBounds& box : boxes) {
    slices(box, from, to);
    for (int64_t n = from; n <= to; ++n) {
      SliceRect& rect = out[static_cast<size_t>(n)];
      rect.x0 = std::min(rect.x0, box.lo[0]);
      rect.y0 = std::min(rect.y0, box.lo[1]);
      rect.x1 = std::max(rect.x1, box.hi[0]);
      rect.y1 = std::max(rect.y1, box.hi[1]);
    }
  }
  // Then the cells each box overlaps, now that the rectangles are known.
  for (const EyeBounds& box : boxes) {
    slices(box, from, to);
    for (int64_t n = from; n <= to; ++n) {
      SliceRect& rect = out[static_cast<size_t>(n)];
      const double width = (rect.x1 - rect.x0) / kFootprintCells, height = (rect.y1 - rect.y0) / kFootprintCells;
      const auto cell = [](double at, double size) {
        return size > 0 ? std::clamp(static_cast<int>(std::floor(at / size)), 0, kFootprintCells - 1) : 0;
      };
      const int c0 = cell(box.lo[0] - rect.x0, width), c1 = cell(box.hi[0] - rect.x0, width);
      const int r0 = cell(box.lo[1] - rect.y0, height), r1 = cell(box.hi[1] - rect.y0, height);
      for (int row = r0; row <= r1; ++row)
        for (int column = c0; column <= c1; ++column) rect.cells |= uint64_t{1} << (row * kFootprintCells + column);
    }
  }
}
