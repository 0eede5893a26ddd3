// Grids not along the patient's axes: oblique ones (axes turned from the
// patient's) and sheared ones (axes not perpendicular: a CT series acquired
// with gantry tilt, whose slice positions do not run along the slice normal,
// or a sheared NIfTI sform). The renderer, the slice views, the crop and the
// ruler all work on a box along the patient's axes, so such a grid is
// resampled once at load onto one that covers it, in its own spacing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "files/point3.h"
#include "files/volume_file.h"

// LPS mm of a (continuous) index of `grid`.
Point3 GridPosition(const VoxelGrid& grid, const Point3& index);

// Turns up to this are snapped to the patient's axes, as float rounding
// and small positioning tilts are.
constexpr double kLeastObliqueDegrees = 1.0;

// Below this |det| of the unit columns (an axis within about 0.6° of the
// plane of the other two) the axes are taken as collinear and refused.
constexpr double kLeastAxisVolume = 0.01;

// The slice plane is the pair of axes nearest perpendicular.
struct PatientGridPlan {
  // Each index axis along the patient's axis nearest it, in the same sense,
  // spaced by the step it made along that axis; covers every voxel centre
  // of the old grid.
  VoxelGrid grid;
  double shearDegrees = 0;  // the larger of the plane's skew and the third axis' tilt from its normal
  double turnDegrees = 0;   // the turn of the slice plane's frame from the patient's axes
};

// nullopt when the axes are zero, not finite or collinear.
std::optional<PatientGridPlan> PlanPatientGrid(const VoxelGrid& grid);

// Trilinear resampling of `voxels` (from.sizes values of `type`, x fastest)
// onto `to`; points outside `from` take `fill`. Integer types are rounded.
VoxelBuffer ResampleGrid(const VoxelGrid& from, const VoxelGrid& to, VoxelType type, const uint8_t* voxels,
                         double fill);

// The least and greatest finite values of `count` voxels (0 and 0 when
// none is finite); the least is what lies outside a scan.
struct ValueSpan {
  double low = 0, high = 0;
};
ValueSpan FiniteRange(VoxelType type, const uint8_t* voxels, uint64_t count);
