// A volume's header as NIfTI files usually have it, for the tests of what
// the shell does in millimetres: file x toward the right (flipped against
// the canonical left), 2 x 2.5 x 3 mm, the first voxel's centre at RAS
// (10, -20, 5).
#pragma once

#include "files/volume_file.h"

inline VolumeInfo NiftiLikeScan() {
  VolumeInfo info;
  info.sizes = {40, 30, 20};
  info.spacing = {2.0, 2.5, 3.0};
  info.anatomical = true;
  info.direction = {{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};  // file axes R, A, S
  info.origin = {-10, 20, 5};                               // LPS
  info.mapping.flip = {true, true, false};
  return info;
}
