#include "render/view_orientation.h"

#include <cmath>

namespace {

constexpr const char* kViewNames[] = {"anterior", "posterior", "left",
                                      "right",    "superior",  "inferior"};

Rotation Multiply(const Rotation& a, const Rotation& b) {
  Rotation product{};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += a[3 * row + k] * b[3 * k + column];
      product[3 * row + column] = sum;
    }
  }
  return product;
}

}  // namespace

std::optional<AnatomicalView> ParseAnatomicalView(const std::string& name) {
  for (int i = 0; i < 6; ++i) {
    if (name == kViewNames[i]) return static_cast<AnatomicalView>(i);
  }
  return std::nullopt;
}

const char* AnatomicalViewName(AnatomicalView view) { return kViewNames[static_cast<int>(view)]; }

Rotation ViewRotation(AnatomicalView view) {
  // Rows: the volume direction on the screen's right, the one up, the one
  // towards the viewer (the side the viewer stands on).
  switch (view) {
    case AnatomicalView::Anterior: return {1, 0, 0, 0, 0, 1, 0, -1, 0};
    case AnatomicalView::Posterior: return {-1, 0, 0, 0, 0, 1, 0, 1, 0};
    case AnatomicalView::Left: return {0, 1, 0, 0, 0, 1, 1, 0, 0};
    case AnatomicalView::Right: return {0, -1, 0, 0, 0, 1, -1, 0, 0};
    case AnatomicalView::Superior: return {-1, 0, 0, 0, -1, 0, 0, 0, 1};
    case AnatomicalView::Inferior: return {1, 0, 0, 0, -1, 0, 0, 0, -1};
  }
  return {1, 0, 0, 0, 1, 0, 0, 0, 1};
}

Rotation TurnAboutEyeX(const Rotation& rotation, double degrees) {
  const double a = degrees * M_PI / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  return Multiply({1, 0, 0, 0, c, -s, 0, s, c}, rotation);
}

Rotation TurnAboutEyeY(const Rotation& rotation, double degrees) {
  const double a = degrees * M_PI / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  return Multiply({c, 0, s, 0, 1, 0, -s, 0, c}, rotation);
}

Rotation Orthonormalised(const Rotation& rotation) {
  // Gram-Schmidt on the rows; the third is the cross product of the first
  // two, so the result is always right-handed.
  Rotation r = rotation;
  auto normalise = [&r](int row) {
    const double length = std::sqrt(r[3 * row] * r[3 * row] + r[3 * row + 1] * r[3 * row + 1] +
                                    r[3 * row + 2] * r[3 * row + 2]);
    for (int k = 0; k < 3; ++k) r[3 * row + k] /= length;
  };
  normalise(0);
  const double dot = r[0] * r[3] + r[1] * r[4] + r[2] * r[5];
  for (int k = 0; k < 3; ++k) r[3 + k] -= dot * r[k];
  normalise(1);
  r[6] = r[1] * r[5] - r[2] * r[4];
  r[7] = r[2] * r[3] - r[0] * r[5];
  r[8] = r[0] * r[4] - r[1] * r[3];
  return r;
}

std::array<double, 3> EyeHalfExtents(const Rotation& rotation,
                                     const std::array<double, 3>& halfExtents) {
  std::array<double, 3> extents{};
  for (int row = 0; row < 3; ++row) {
    for (int k = 0; k < 3; ++k) extents[row] += std::fabs(rotation[3 * row + k]) * halfExtents[k];
  }
  return extents;
}
