#include "render/clip_coordinates.h"

#include <cstddef>

std::array<double, 4> ClipCoordinates(const double modelview[16], const double projection[16], double x, double y,
                                       double z) {
  const double p[4] = {x, y, z, 1.0};
  double eye[4] = {0, 0, 0, 0};
  for (int row = 0; row < 4; ++row)
    for (int k = 0; k < 4; ++k) eye[row] += modelview[4 * k + row] * p[k];
  std::array<double, 4> clip{};
  for (int row = 0; row < 4; ++row)
    for (int k = 0; k < 4; ++k) clip[static_cast<size_t>(row)] += projection[4 * k + row] * eye[k];
  return clip;
}
