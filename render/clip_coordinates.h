// An eye-frame point through the GL's modelview and projection matrices
// (column-major, as glGetDoublev gives them) into clip coordinates.
#pragma once

#include <array>

std::array<double, 4> ClipCoordinates(const double modelview[16], const double projection[16], double x, double y,
                                       double z);
