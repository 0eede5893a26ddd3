// Shared by the readers: the last step of every load.
#pragma once

#include "files/volume_file.h"

// Records the value range in `info` and replaces non-finite floats by the
// lowest finite value. `voxels` holds info.sizes' product values of `storedType`.
Volume FinishVolume(VolumeInfo info, VoxelType storedType, VoxelBuffer voxels);
