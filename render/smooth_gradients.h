// Gradients of an opened volume for a 16-bit texture: estimated at full
// precision with a smoothing stencil, so that noisy scans get steady
// normals, and with their magnitude beside them, so that the shading can
// leave flat noise unlit.
#pragma once

#include <array>
#include <cstdint>

constexpr int32_t kSmoothGradientComponents = 4;

// volume: nx*ny*nz floats in [0, 1], x fastest; every size 1 or more.
// Each axis's derivative is the central difference (one-sided on the faces,
// 0 on an axis of one voxel) of the data smoothed across the other two axes
// by 1-2-1 weights (the volume's edge voxels repeated beyond its faces):
// the 3x3x3 Sobel stencil. A linear ramp gives its exact slope everywhere,
// faces included. The derivatives are then multiplied by axisScale (see
// GradientAxisScale), as ComputeGradients does.
//
// Fills 4 uint16 per voxel, in the volume's voxel order, for an RGBA16
// texture (GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT):
// - R, G, B: the unit direction in which the value grows, each component
//   mapped from [-1, 1] to [0, 65535]; (32768, 32768, 32768) where flat.
//   The shader takes rgb * 2 - 1 and normalises it again after filtering;
// - A: the gradient's magnitude over |axisScale|, the largest any volume of
//   values in [0, 1] can have, mapped to [0, 65535].
// Returns the largest A written, in [0, 1]: the shader multiplies A by its
// inverse to get the magnitude over the volume's steepest (0 for a flat
// volume: nothing to light). So a volume whose steepest slope is 1/20 of its
// value range per voxel still gets about 1900 steps of magnitude.
// Shares the planes between both cores on large volumes, with the same
// result.
float ComputeSmoothGradients16(const float* volume, int32_t nx, int32_t ny, int32_t nz,
                               const std::array<double, 3>& axisScale, uint16_t* out);
