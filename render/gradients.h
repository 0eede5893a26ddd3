// The gradient volume the shaders light the slices with: central differences
// of a one-value-per-voxel volume, mapped from [-1, 1] to [0, 1].
#pragma once

#include <cstdint>

// Half-width of the difference at coordinate k of an axis of n voxels
// (1 <= k <= n - 2): 4 in the middle, shrinking towards the faces, 0 next to
// them. On axes under 8 voxels the low-side rule can reach past the far
// face; only such a step is cut, to the last voxel (n - 1 - k).
inline int32_t GradientStep(int32_t k, int32_t n) {
  int32_t d;
  if (k < 5) {
    d = k - 1;
  } else if (k > n - 6) {
    d = n - 2 - k;
  } else {
    d = 4;
  }
  if (n < 8 && d > n - 1 - k) d = n - 1 - k;
  return d;
}

// Fills 3 floats per voxel (x, y, z components, same voxel order as the
// volume): 0 on every border voxel, (v(k + d) - v(k - d) + 1) * 0.5 in double
// precision inside. Uses both cores on large volumes with the same result.
void ComputeGradients(const float* volume, int32_t nx, int32_t ny, int32_t nz, float* out);

// A buffer for nx*ny*nz*3 floats, or null when a size is 0 or below, the
// count does not fit in memory's address range or the allocation fails.
// Large buffers ask for huge pages: first touching 60 MB of fresh 4 KB pages
// costs several times the gradient pass. Release with ReleaseGradientBuffer.
float* AllocateGradientBuffer(int32_t nx, int32_t ny, int32_t nz);
void ReleaseGradientBuffer(float* buffer);
