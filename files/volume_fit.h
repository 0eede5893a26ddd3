// Fitting a volume to the renderer: the texture size, and area-averaging
// resampling of any box of the full-resolution volume into the renderer's
// float buffer.
#pragma once

#include <array>
#include <cstdint>

#include "files/volume_file.h"
#include "files/volume_window.h"

// Texture size for a volume of `sizes`: unchanged when its longest side fits
// min(maxSize, glMaxTextureSize); otherwise scaled so the longest side is
// exactly that limit, every side scaled by the same factor (rounded, at
// least 1).
std::array<int32_t, 3> FitVolumeSize(const std::array<int64_t, 3>& sizes, int32_t maxSize,
                                     int32_t glMaxTextureSize);

// A box of the full-resolution volume in voxel units: voxel i covers
// [i, i + 1) on each axis. May reach outside the volume; what lies outside
// reads as the window's low value.
struct VolumeBox {
  std::array<double, 3> origin{};
  std::array<double, 3> extent{};
};

// The whole volume as a box.
VolumeBox WholeVolume(const Volume& volume);

// Fills out[outSizes[0] * outSizes[1] * outSizes[2]] (x fastest): each output
// voxel is the average of the volume over its share of the box, weighted by
// overlap, mapped through the window to [0, 1] (clamped).
void ResampleVolume(const Volume& volume, const VolumeBox& box, const IntensityWindow& window,
                    const std::array<int32_t, 3>& outSizes, float* out);
