// A tomography-style head phantom: nested ellipsoids of different densities
// (scalp, skull, brain, ventricles, a midline membrane, small lesions).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// size^3 bytes, x fastest, then y, then z.
std::vector<uint8_t> BuildHeadPhantom(int size);

// Calls visit(i, x, y, z) for each voxel of a size^3 volume in storage order,
// with (x, y, z) its centre in [-1, 1] across the volume.
template <class Visit>
void ForEachVoxelCentre(int size, Visit visit) {
  const double scale = 2.0 / size;
  size_t i = 0;
  for (int k = 0; k < size; ++k) {
    const double z = (k + 0.5) * scale - 1.0;
    for (int j = 0; j < size; ++j) {
      const double y = (j + 0.5) * scale - 1.0;
      for (int n = 0; n < size; ++n, ++i) visit(i, (n + 0.5) * scale - 1.0, y, z);
    }
  }
}

// Densities of the main tissues. The viewer's initial transfer function maps
// a value v to opacity v / 255 and to a colour that cycles with v, so the
// skull sits where that colour is a bright yellow and the soft tissue is
// faint enough to see through.
namespace phantom {
constexpr uint8_t kAir = 0;
constexpr uint8_t kScalp = 5;
constexpr uint8_t kSkull = 126;
constexpr uint8_t kBrain = 10;
constexpr uint8_t kVentricle = 2;
}  // namespace phantom
