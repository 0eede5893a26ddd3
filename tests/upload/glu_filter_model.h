// A slow, literal model of what the GL utility library's 3D mipmap builder
// does to a float volume, pieced together from experiments against the
// library: one texel at a time, in the library's order and precision. The
// fast chain must agree with it bit for bit. One difference is deliberate:
// a rescaled volume reads values outside [0, 1] clamped, where the library
// wraps them.
#pragma once

#include <cstdint>
#include <vector>

struct ModelLevel {
  int32_t sizeX;
  int32_t sizeY;
  int32_t sizeZ;
  std::vector<float> texels;
};

std::vector<ModelLevel> ModelMipChain(const std::vector<float>& voxels, int32_t nx, int32_t ny,
                                      int32_t nz, int32_t components);
