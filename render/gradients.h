// The gradient volume the shaders light the slices with: central differences
// of a one-value-per-voxel volume, mapped from [-1, 1] to [0, 1].
#pragma once

#include <array>
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

// The same with each axis's differences multiplied by its factor first, so
// that a volume whose voxels are not cubes is lit by its true surface.
void ComputeGradients(const float* volume, int32_t nx, int32_t ny, int32_t nz,
                      const std::array<double, 3>& axisScale, float* out);

// Factors that turn differences per voxel into differences per unit of
// length, over the finest axis: the texture's sides span `proportions` of
// the volume's longest side in sizes[axis] voxels. Cubic voxels, and any
// size or proportion of 0 or below, give exactly {1, 1, 1}.
std::array<double, 3> GradientAxisScale(const std::array<int32_t, 3>& sizes,
                                        const std::array<float, 3>& proportions);

// A buffer for nx*ny*nz*3 floats, or null when a size is 0 or below, the
// count does not fit in memory's address range or the allocation fails.
// Large buffers ask for huge pages: first touching 60 MB of fresh 4 KB pages
// costs several times the gradient pass. Release with ReleaseGradientBuffer.
float* AllocateGradientBuffer(int32_t nx, int32_t ny, int32_t nz);
void ReleaseGradientBuffer(float* buffer);
