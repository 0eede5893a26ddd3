// Where an opened volume's voxels lie: canonical voxel indices (volume_file.h)
// to the patient's RAS millimetres (x toward the patient's right, y anterior,
// z superior) and back, and to the file's own voxel indices.
//
// For volumes that are not anatomical the millimetres are the file's plain
// x/y/z: origin + index x spacing along canonical axes 0, 1, 2, not negated.
#pragma once

#include <array>
#include <cstdint>

#include "files/point3.h"
#include "files/volume_file.h"


// RAS mm of a continuous canonical index (voxel centres at whole numbers).
Point3 CanonicalToRas(const VolumeInfo& info, const Point3& index);
// The inverse of CanonicalToRas.
Point3 RasToCanonical(const VolumeInfo& info, const Point3& ras);

// A voxel's index in the file's own order from its canonical index, and back:
// a flipped axis reads n - 1 - i. For a volume resampled at load, the
// nearest voxel of the other grid.
std::array<int64_t, 3> CanonicalToFileIndex(const VolumeInfo& info, const std::array<int64_t, 3>& canonical);
std::array<int64_t, 3> FileToCanonicalIndex(const VolumeInfo& info, const std::array<int64_t, 3>& file);

// Per-axis least and greatest RAS mm of the voxel centres.
struct RasBox {
  Point3 low, high;
};
RasBox RasExtent(const VolumeInfo& info);
