// A rectangle drawn straight in device coordinates, whatever the matrices:
// the passes that cover a part of the viewport pixel for pixel.
#pragma once

#include <array>

// x0, y0, x1, y1 in [-1, 1] at device depth z; the projection and modelview
// matrices and the matrix mode are as they were afterwards.
void DrawDeviceRect(const std::array<double, 4>& area, double z);
