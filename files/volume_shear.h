// Sheared grids: index axes that are not perpendicular, as a CT series
// acquired with gantry tilt (slice positions not along the slice normal) or
// a sheared NIfTI sform. The renderer, the slice views and the crop all take
// a box, so such a grid is resampled once at load onto a box square to its
// slice plane that covers it, in its own spacing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "files/volume_file.h"

struct VoxelGrid {
  std::array<int64_t, 3> sizes{};
  std::array<double, 3> spacing{1, 1, 1};  // mm along each index axis
  std::array<double, 3> origin{};          // LPS mm of voxel (0, 0, 0)
  DirectionMatrix direction{};             // unit columns, LPS
};

// Below this |det| of the unit columns (an axis within about 0.6° of the
// plane of the other two) the axes are taken as collinear and refused.
constexpr double kLeastAxisVolume = 0.01;

// How a sheared grid is squared. The slice plane is the pair of axes
// nearest perpendicular; `degrees` is the larger of their skew and the
// third axis' tilt from their normal.
struct ShearPlan {
  VoxelGrid square;  // orthonormal, file axis order kept
  double degrees = 0;
};

// nullopt when the axes are zero, not finite or collinear.
std::optional<ShearPlan> PlanSquareGrid(const VoxelGrid& sheared);

// Trilinear resampling of `voxels` (sheared.sizes values of `type`, x
// fastest) onto `square`; points outside the sheared grid take `fill`.
// Integer types are rounded.
VoxelBuffer ResampleGrid(const VoxelGrid& sheared, const VoxelGrid& square, VoxelType type,
                         const uint8_t* voxels, double fill);

// The lowest finite value of `count` voxels: what lies outside a scan.
double LowestValue(VoxelType type, const uint8_t* voxels, uint64_t count);
