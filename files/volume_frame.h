// Direction cosines as files store them: rounded to float, or written by a
// resampling tool, their columns are seldom exactly orthonormal. Within a
// tolerance the nearest orthonormal frame stands in for them.
#pragma once

#include <optional>

#include "files/volume_orientation.h"

// Largest |(C^T C - I)_ij| over the matrix C of unit-length columns: 0 for
// an orthonormal frame; the cosine of the angle between two axes that
// should be perpendicular. Infinite when a column is zero or not finite.
double OrthonormalDeviation(const DirectionMatrix& direction);

// Below this the columns are orthonormal as far as doubles tell.
constexpr double kOrthonormalExact = 1e-6;

// 0.01: float storage (NIfTI's sform) leaves 1e-7, resampling tools 1e-4 to
// 1e-3; 0.01 is a 0.6 degree skew, a voxel's shift across 100 voxels, where
// a file stops being a rounding of an orthonormal grid and is sheared.
constexpr double kOrthonormalTolerance = 0.01;

// The orthonormal frame nearest `direction` (its polar factor, so each
// axis keeps its sense and handedness); nullopt when the deviation is above
// kOrthonormalTolerance.
std::optional<DirectionMatrix> NearestOrthonormal(const DirectionMatrix& direction);
