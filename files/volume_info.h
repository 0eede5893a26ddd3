// The text printed by --info.
#pragma once

#include <string>

#include "files/volume_file.h"
#include "files/volume_window.h"

// Nine lines, e.g.
//   File: ct.nii.gz
//   Format: NIfTI
//   Dimensions: 128 x 128 x 64          (" (4 frames)" appended for 4D files)
//   Voxel type: int16                   (as stored in the file)
//   Spacing: 1.5 x 1.5 x 3              (along the canonical axes)
//   Orientation: RAS                    (where the file's axes point)
//   Extent (RAS mm): R -95.2..95.2, A -120.0..70.5, S -96.0..93.0
//                                       (voxel centres; "Extent (mm): x ..., y ..., z ..."
//                                        for volumes without a patient frame)
//   Value range: -1008 to 1487
//   Default window: -21:976
std::string VolumeInfoText(const std::string& path, const VolumeInfo& info,
                           const IntensityWindow& defaultWindow);
