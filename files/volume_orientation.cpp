#include "files/volume_orientation.h"

#include <cmath>
#include <cstring>

bool AxisMapping::IsIdentity() const {
  return fileAxis == std::array<int, 3>{0, 1, 2} && !flip[0] && !flip[1] && !flip[2];
}

AxisMapping MapToCanonical(const DirectionMatrix& direction) {
  // Greedy by the largest remaining component, so oblique matrices still
  // give a permutation.
  AxisMapping mapping;
  bool physicalTaken[3] = {false, false, false};
  bool fileTaken[3] = {false, false, false};
  for (int round = 0; round < 3; ++round) {
    int bestP = -1, bestA = -1;
    double best = -1;
    for (int p = 0; p < 3; ++p) {
      for (int a = 0; a < 3; ++a) {
        if (physicalTaken[p] || fileTaken[a]) continue;
        // NaN counts as 0, so some axis is always chosen.
        const double value = direction[p][a];
        const double magnitude = std::isfinite(value) ? std::fabs(value) : 0;
        if (magnitude > best) {
          best = magnitude;
          bestP = p;
          bestA = a;
        }
      }
    }
    physicalTaken[bestP] = fileTaken[bestA] = true;
    mapping.fileAxis[bestP] = bestA;
    mapping.flip[bestP] = direction[bestP][bestA] < 0;
  }
  return mapping;
}

std::string OrientationCode(const DirectionMatrix& direction) {
  const AxisMapping mapping = MapToCanonical(direction);
  static const char kToward[3][2] = {{'L', 'R'}, {'P', 'A'}, {'S', 'I'}};
  std::string code(3, '?');
  for (int c = 0; c < 3; ++c) code[mapping.fileAxis[c]] = kToward[c][mapping.flip[c] ? 1 : 0];
  return code;
}

namespace {

// The voxel width as a constant, so each copy is a single move.
template <size_t Width>
void Reorder(const uint8_t* source, const std::array<int64_t, 3>& size, int64_t start,
             const std::array<int64_t, 3>& step, uint8_t* target) {
  for (int64_t z = 0; z < size[2]; ++z) {
    for (int64_t y = 0; y < size[1]; ++y) {
      int64_t from = start + z * step[2] + y * step[1];
      for (int64_t x = 0; x < size[0]; ++x, from += step[0], target += Width) {
        std::memcpy(target, source + from * static_cast<int64_t>(Width), Width);
      }
    }
  }
}

}  // namespace

void ReorderVoxels(const uint8_t* source, const std::array<int64_t, 3>& fileSizes, size_t width,
                   const AxisMapping& mapping, uint8_t* target) {
  const std::array<int64_t, 3> fileStrides{1, fileSizes[0], fileSizes[0] * fileSizes[1]};
  // Start and step, in source voxels, of each canonical axis.
  int64_t start = 0;
  std::array<int64_t, 3> step{}, size{};
  for (int c = 0; c < 3; ++c) {
    const int a = mapping.fileAxis[c];
    size[c] = fileSizes[a];
    step[c] = mapping.flip[c] ? -fileStrides[a] : fileStrides[a];
    if (mapping.flip[c]) start += (fileSizes[a] - 1) * fileStrides[a];
  }
  switch (width) {
    case 1: return Reorder<1>(source, size, start, step, target);
    case 2: return Reorder<2>(source, size, start, step, target);
    case 4: return Reorder<4>(source, size, start, step, target);
    default: return Reorder<8>(source, size, start, step, target);
  }
}
