// Colour voxels shown as one value: their luminance with the Rec. 709
// weights (0.2126 R + 0.7152 G + 0.0722 B); a fourth component (alpha) is
// left out.
#pragma once

#include <cstdint>

#include "files/volume_file.h"

// `count` voxels of `components` (3 or 4) values of `type` each, to floats.
void ColourToLuminance(const uint8_t* colour, VoxelType type, int components, uint64_t count, float* out);
