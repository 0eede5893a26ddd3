// A slow, literal model of the library's 3D mipmap builder on a float volume,
// one texel at a time in its order and precision, as experiments showed it.
// One deliberate difference: a rescale reads values outside [0, 1] clamped
// where the library wraps them.
#pragma once

#include <cstdint>
#include <vector>

struct ModelLevel {
  int32_t sizeX, sizeY, sizeZ;
  std::vector<float> texels;
};

std::vector<ModelLevel> ModelMipChain(const std::vector<float>& voxels, int32_t nx, int32_t ny,
                                      int32_t nz, int32_t components);
