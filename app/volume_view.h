// The part of an opened volume on show, moved and resized by keys + - 4 6.
// It is a cube in physical units cut to the volume, so the full-resolution
// voxels under it can be fitted to the texture afresh.
#pragma once

#include <array>

#include "files/volume_file.h"
#include "files/volume_fit.h"

struct VolumeView {
  std::array<double, 3> centre{};  // physical units from the volume's corner
  double side = 0;
};

// The whole volume: centred, as wide as its longest side.
VolumeView WholeVolumeView(const VolumeInfo& info);

// + and - shrink and grow the cube, 4 and 6 move it along x, by the same
// fractions of the longest side as 60 and 40 voxels are of the large raw
// file's 1024. The cube never grows past the whole volume, never shrinks
// below one step and never moves off the volume along x. Returns false, and
// leaves the view alone, for any other key.
bool StepVolumeView(VolumeView& view, unsigned char key, const VolumeInfo& info);

// The view in whole voxels, cut to the volume; at least one voxel per axis.
VolumeBox ViewedBox(const VolumeView& view, const VolumeInfo& info);

// The box's physical size per axis over its longest side.
std::array<float, 3> BoxProportions(const VolumeBox& box, const VolumeInfo& info);
