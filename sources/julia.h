// The start-up volume: a 3D slice through the quaternion Julia set of
// q <- q^2 + (0.4, -0.4, -0.4, -0.2).
#pragma once

#include <cstdint>

// Writes nx*ny*nz floats, voxel (i, j, k) at i + nx*j + nx*ny*k, and nothing
// else: 0 where the orbit escaped before iteration 20, else the last orbit
// radius. zc is the fixed z component of every starting point. Nothing is
// written when a size is 0 or below.
void BuildJuliaVolume(float* out, int32_t nx, int32_t ny, int32_t nz, double zc);
