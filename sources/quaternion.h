// A quaternion of doubles: vector part (x, y, z) and scalar part w.
#pragma once

#include <cmath>

class Quaternion {
public:
  Quaternion() : x(0.0), y(0.0), z(0.0), w(1.0) {}
  Quaternion(double xValue, double yValue, double zValue, double wValue)
      : x(xValue), y(yValue), z(zValue), w(wValue) {}

  // Squares summed x, y, z, w in that order; callers compare results bitwise.
  double Norm() const { return std::sqrt(x * x + y * y + z * z + w * w); }

  double x;
  double y;
  double z;
  double w;
};
