#include "tools/samples/face.h"

#include <cstddef>

#include "tools/datagen/head_phantom.h"

namespace {

struct Bump {
  double cx, cy, cz;  // in [-1, 1] across the volume
  double ax, ay, az;
};

constexpr Bump kFace[] = {
    {0.0, -0.90, -0.05, 0.07, 0.09, 0.15},   // nose
    {0.74, 0.0, 0.0, 0.05, 0.10, 0.15},      // left ear
    {-0.74, 0.0, 0.0, 0.05, 0.10, 0.15},     // right ear
};

}  // namespace

void AddFace(std::vector<uint8_t>& phantom, int size) {
  ForEachVoxelCentre(size, [&](size_t i, double x, double y, double z) {
    if (phantom[i] != phantom::kAir) return;  // the head stays as it is
    for (const Bump& b : kFace) {
      const double u = (x - b.cx) / b.ax, v = (y - b.cy) / b.ay, w = (z - b.cz) / b.az;
      if (u * u + v * v + w * w <= 1.0) phantom[i] = phantom::kScalp;
    }
  });
}
