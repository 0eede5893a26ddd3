#include "tools/samples/mr_volume.h"

#include <algorithm>
#include <cmath>

#include "tools/datagen/head_phantom.h"
#include "tools/samples/face.h"

namespace {

// T1-weighted signal of each phantom density.
float Signal(uint8_t density) {
  switch (density) {
    case phantom::kAir: return 0.0f;
    case phantom::kScalp: return 850.0f;
    case phantom::kSkull: return 120.0f;
    case phantom::kBrain: return 520.0f;
    case phantom::kVentricle: return 160.0f;
    default: return 300.0f + 2.0f * density;  // membrane and lesions
  }
}

// Deterministic noise, roughly normal (sum of four uniforms), unit spread.
float Noise(uint64_t index) {
  float sum = 0.0f;
  for (uint64_t k = 0; k < 4; ++k) {
    uint64_t h = (index * 4 + k) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    sum += static_cast<float>(h % 100000) / 100000.0f - 0.5f;
  }
  return sum * 1.73f;
}

}  // namespace

std::vector<int16_t> BuildMrVolume(int side, int sliceStep) {
  // The phantom at twice the resolution, each voxel the mean signal of its
  // eight: borders get the partial volumes of a real scan instead of the
  // terraces of a voxelised ellipsoid.
  const int fine = 2 * side;
  std::vector<uint8_t> phantom = BuildHeadPhantom(fine);
  AddFace(phantom, fine);
  const size_t plane = static_cast<size_t>(side) * side;
  const size_t finePlane = static_cast<size_t>(fine) * fine;
  const int slices = side / sliceStep;
  std::vector<int16_t> mr(plane * slices);
  for (int z = 0; z < slices; ++z) {
    const size_t fz = static_cast<size_t>(2 * z * sliceStep);
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        float sum = 0.0f;
        for (size_t k = 0; k < 8; ++k) {
          const size_t fx = 2 * x + (k & 1), fy = 2 * y + ((k >> 1) & 1), dz = k >> 2;
          sum += Signal(phantom[(fz + dz) * finePlane + fy * fine + fx]);
        }
        const size_t out = z * plane + static_cast<size_t>(y) * side + x;
        // Magnitude images: noise over air stays positive.
        const float value = std::fabs(sum / 8.0f + 18.0f * Noise(out));
        mr[out] = static_cast<int16_t>(std::lround(std::min(value, 32767.0f)));
      }
    }
  }
  return mr;
}
