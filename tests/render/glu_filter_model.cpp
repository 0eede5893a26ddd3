#include "tests/render/glu_filter_model.h"

#include <cmath>

#include "render/texture_upload.h"

namespace {

// The source box [low, high) of output texel j.
void Box(int32_t in, int32_t out, int32_t j, float& low, float& high) {
  const float conv = static_cast<float>(in) / static_cast<float>(out);
  const float centre = static_cast<float>(conv * (j + 0.5));
  low = in > out ? centre - conv / 2 : static_cast<float>(centre - 0.5);
  high = in > out ? centre + conv / 2 : static_cast<float>(centre + 0.5);
}

// Overlap of the box [low, high) with cell `cell`, the box clipped at `from`.
float Part(float from, float high, int32_t cell) {
  return high < static_cast<float>(cell + 1) ? high - from : static_cast<float>(cell + 1) - from;
}

ModelLevel Rescale(const std::vector<float>& voxels, int32_t nx, int32_t ny, int32_t nz,
                   int32_t c) {
  ModelLevel out{MipTargetSize(nx), MipTargetSize(ny), MipTargetSize(nz), {}};
  for (int32_t d = 0; d < out.sizeZ; ++d) {
    float lowZ, highZ, lowY, highY, lowX, highX;
    Box(nz, out.sizeZ, d, lowZ, highZ);
    for (int32_t i = 0; i < out.sizeY; ++i) {
      Box(ny, out.sizeY, i, lowY, highY);
      for (int32_t j = 0; j < out.sizeX; ++j) {
        Box(nx, out.sizeX, j, lowX, highX);
        float totals[4] = {0, 0, 0, 0}, volume = 0;
        for (float z = lowZ, zc = std::floor(z); z < highZ; z = ++zc) {
          const int32_t zi = (static_cast<int32_t>(zc) + nz) % nz;
          const float zp = Part(z, highZ, static_cast<int32_t>(zc));
          for (float y = lowY, yc = std::floor(y); y < highY; y = ++yc) {
            const int32_t yi = (static_cast<int32_t>(yc) + ny) % ny;
            const float yp = Part(y, highY, static_cast<int32_t>(yc));
            for (float x = lowX, xc = std::floor(x); x < highX; x = ++xc) {
              const int32_t xi = (static_cast<int32_t>(xc) + nx) % nx;
              const float percent = Part(x, highX, static_cast<int32_t>(xc)) * yp * zp;
              volume += percent;
              const size_t at = (static_cast<size_t>(zi) * ny * nx + yi * nx + xi) * c;
              for (int32_t k = 0; k < c; ++k) totals[k] += ClampToUnorm16(voxels[at + k]) * percent;
            }
          }
        }
        for (int32_t k = 0; k < c; ++k) {
          const uint16_t value = static_cast<uint16_t>((totals[k] + 0.5) / volume);
          out.texels.push_back(static_cast<float>(value) / 65535.0f);
        }
      }
    }
  }
  return out;
}

ModelLevel Halve(const ModelLevel& in, int32_t c) {
  const int32_t fx = in.sizeX > 1 ? 2 : 1, fy = in.sizeY > 1 ? 2 : 1, fz = in.sizeZ > 1 ? 2 : 1;
  ModelLevel out{in.sizeX / fx, in.sizeY / fy, in.sizeZ / fz, {}};
  for (int32_t z = 0; z < out.sizeZ; ++z)
    for (int32_t y = 0; y < out.sizeY; ++y)
      for (int32_t x = 0; x < out.sizeX; ++x)
        for (int32_t k = 0; k < c; ++k) {
          float flat = 0;  // a level one texel deep is averaged in float, others in double
          double deep = 0;
          for (int32_t dz = 0; dz < fz; ++dz)
            for (int32_t dy = 0; dy < fy; ++dy)
              for (int32_t dx = 0; dx < fx; ++dx) {
                const float v = in.texels[((static_cast<size_t>(fz * z + dz) * in.sizeY +
                                            fy * y + dy) * in.sizeX + fx * x + dx) * c + k];
                flat += v;
                deep += v;
              }
          const int32_t n = fx * fy * fz;
          out.texels.push_back(in.sizeZ == 1 ? flat / static_cast<float>(n)
                                             : static_cast<float>(deep / n));
        }
  return out;
}

}  // namespace

std::vector<ModelLevel> ModelMipChain(const std::vector<float>& voxels, int32_t nx, int32_t ny,
                                      int32_t nz, int32_t components) {
  std::vector<ModelLevel> levels;
  const auto powerOfTwo = [](int32_t n) { return (n & (n - 1)) == 0; };
  levels.push_back(powerOfTwo(nx) && powerOfTwo(ny) && powerOfTwo(nz)
                       ? ModelLevel{nx, ny, nz, voxels}
                       : Rescale(voxels, nx, ny, nz, components));
  while (levels.back().sizeX > 1 || levels.back().sizeY > 1 || levels.back().sizeZ > 1) {
    levels.push_back(Halve(levels.back(), components));
  }
  return levels;
}
