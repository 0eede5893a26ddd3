// Where each slice of an opened volume needs fragments: the tiles of the
// window where some visible brick can reach its plane, so that the empty
// space between the bricks inside their bounding box costs nothing. Bricks
// are in the eye frame of the volume's centre, in model units.
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

// The eye-frame bounds of each texture box: texture coordinate t lies at
// model (t - 1/2) * sides per axis, turned by `rotation` (eye = rotation *
// model). `out` is reused.
void BrickEyeBounds(const std::vector<TextureBox>& bricks, const Rotation& rotation,
                    const std::array<double, 3>& sides, std::vector<EyeBounds>& out);

// Square tiles of the window, `size` pixels a side (a multiple of 4), tile
// (0, 0)'s corner at window (x0, y0), x0 and y0 multiples of the size:
// quads along their edges cover whole blocks of the pixels software GL
// shades together, so no block is shaded twice at a quad's edge.
constexpr int kFootprintTiles = 64;
struct TileGrid {
  double x0 = 0, y0 = 0, size = 8;
  int columns = 0, rows = 0;  // each at most kFootprintTiles
};

// The grid over a viewport (window pixels x, y, width, height).
TileGrid TileGridOver(int x, int y, int width, int height);

// On one slice's plane, window x = scaleX * eye x + offsetX, and y alike.
struct SliceWindow {
  double scaleX, offsetX, scaleY, offsetY;
};

// The window mapping of each of the `count` slices at z = spacing * (first
// + n), from the GL's modelview and projection matrices (column-major) and
// viewport; false when a slice lies behind the eye, the view turns about
// its axis or the viewport is empty, where no such mapping holds.
bool SliceWindows(const double modelview[16], const double projection[16], const int viewport[4],
                  double spacing, int64_t first, int64_t count, std::vector<SliceWindow>& out);

// The tiles a slice needs: bit `column` of rows[row].
struct SliceTiles {
  std::array<uint64_t, kFootprintTiles> rows;
  bool any;
  bool Needs(int column, int row) const { return (rows[static_cast<size_t>(row)] >> column & 1) != 0; }
};

// For the `count` slices at z = spacing * (first + n), each reading the
// volume up to `reach` from its plane along z, the tiles of `grid` that
// some box within that reach overlaps (`out` is reused, one per slice).
void SliceFootprints(const std::vector<EyeBounds>& boxes, double spacing, int64_t first, int64_t count,
                     double reach, const std::vector<SliceWindow>& windows, const TileGrid& grid,
                     std::vector<SliceTiles>& out);

// Tiles column0 to column1 - 1 of rows row0 to row1 - 1.
struct TileRect {
  int column0, row0, column1, row1;
};

// The needed tiles of a slice as few rectangles, none overlapping another,
// together covering exactly those tiles: each rectangle is a quad to draw,
// and software GL sets up every quad at a cost (`out` is reused).
void TileRectangles(const SliceTiles& tiles, const TileGrid& grid, std::vector<TileRect>& out);
