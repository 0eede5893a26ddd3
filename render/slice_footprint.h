// Where each slice of an opened volume needs fragments: the part of its
// plane that some visible brick can reach, so that the empty space between
// the bricks inside their bounding box costs nothing. All in the eye frame
// of the volume's centre, in model units.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "render/brick_grid.h"
#include "render/view_orientation.h"

struct EyeBounds {
  std::array<double, 3> lo;
  std::array<double, 3> hi;
};

// The rectangle holding what a slice needs, x0 > x1 when it needs
// nothing, and which of its kFootprintCells x kFootprintCells equal cells
// it needs (bit row * kFootprintCells + column, rows along y from y0).
constexpr int kFootprintCells = 8;
struct SliceRect {
  double x0, y0, x1, y1;
  uint64_t cells;
  bool Empty() const { return x1 < x0; }
  bool Needs(int column, int row) const { return (cells >> (row * kFootprintCells + column) & 1) != 0; }
};

// The eye-frame bounds of each texture box: texture coordinate t lies at
// model (t - 1/2) * sides per axis, turned by `rotation` (eye = rotation *
// model). `out` is reused.
void BrickEyeBounds(const std::vector<TextureBox>& bricks, const Rotation& rotation,
                    const std::array<double, 3>& sides, std::vector<EyeBounds>& out);

// For the `count` slices at z = spacing * (first + n), each reading the
// volume up to `reach` from its plane along z, the rectangle holding every
// box within that reach and the cells of it those boxes overlap (`out` is
// reused, one per slice).
void SliceFootprints(const std::vector<EyeBounds>& boxes, double spacing, int64_t first, int64_t count,
                     double reach, std::vector<SliceRect>& out);
