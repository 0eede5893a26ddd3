#include "tools/datagen/head_phantom.h"

#include <cmath>

namespace {

// An ellipsoid turned by `angle` (radians) about the z axis; coordinates are
// in [-1, 1] across the volume.
struct Ellipsoid {
  double cx, cy, cz;
  double ax, ay, az;
  double angle;
  uint8_t density;
};

// Painted in order, each one over the ones before it.
const Ellipsoid kHead[] = {
    {0.0, 0.0, 0.0, 0.74, 0.94, 0.86, 0.0, phantom::kScalp},
    {0.0, 0.0, 0.0, 0.70, 0.90, 0.82, 0.0, phantom::kSkull},
    {0.0, 0.02, 0.0, 0.63, 0.83, 0.75, 0.0, phantom::kBrain},
    // Falx: a thin membrane between the hemispheres.
    {0.0, 0.05, 0.3, 0.012, 0.70, 0.42, 0.0, 40},
    // Lateral ventricles, tilted apart, and the third ventricle.
    {0.15, 0.08, 0.05, 0.07, 0.30, 0.11, -0.30, phantom::kVentricle},
    {-0.15, 0.08, 0.05, 0.07, 0.30, 0.11, 0.30, phantom::kVentricle},
    {0.0, -0.12, 0.0, 0.025, 0.10, 0.07, 0.0, phantom::kVentricle},
    // Lesions of several sizes and densities.
    {0.32, -0.36, 0.22, 0.06, 0.06, 0.06, 0.0, 63},
    {-0.36, 0.30, -0.25, 0.045, 0.045, 0.045, 0.0, 188},
    {0.12, 0.46, -0.30, 0.035, 0.035, 0.035, 0.0, 64},
    {-0.22, -0.50, 0.36, 0.05, 0.03, 0.04, 0.6, 190},
    {0.40, 0.20, -0.05, 0.03, 0.05, 0.03, -0.4, 62},
};

// An ellipsoid ready for testing points: its turn as cosine and sine.
struct PlacedEllipsoid {
  Ellipsoid shape;
  double cosine;
  double sine;

  bool Contains(double x, double y, double z) const {
    const double dx = x - shape.cx, dy = y - shape.cy, dz = z - shape.cz;
    const double u = (cosine * dx + sine * dy) / shape.ax;
    const double v = (-sine * dx + cosine * dy) / shape.ay;
    const double w = dz / shape.az;
    return u * u + v * v + w * w <= 1.0;
  }
};

}  // namespace

std::vector<uint8_t> BuildHeadPhantom(int size) {
  std::vector<PlacedEllipsoid> placed;
  for (const Ellipsoid& e : kHead) placed.push_back({e, std::cos(e.angle), std::sin(e.angle)});
  std::vector<uint8_t> volume(static_cast<size_t>(size) * size * size, phantom::kAir);
  ForEachVoxelCentre(size, [&](size_t i, double x, double y, double z) {
    for (const PlacedEllipsoid& e : placed) {
      if (e.Contains(x, y, z)) volume[i] = e.shape.density;
    }
  });
  return volume;
}
