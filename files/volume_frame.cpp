#include "files/volume_frame.h"

#include <cmath>
#include <limits>

namespace {

using M = DirectionMatrix;

bool UnitColumns(const M& d, M& unit) {
  for (int a = 0; a < 3; ++a) {
    double length = 0;
    for (int p = 0; p < 3; ++p) length += d[p][a] * d[p][a];
    length = std::sqrt(length);
    if (!(length > 0) || !std::isfinite(length)) return false;
    for (int p = 0; p < 3; ++p) unit[p][a] = d[p][a] / length;
  }
  return true;
}

// The inverse transpose, or false when singular.
bool InverseTranspose(const M& m, M& out) {
  const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  if (!(std::fabs(det) > 1e-12)) return false;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      // Cofactor (i, j) over the determinant is (M^-1)^T at (i, j).
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      out[i][j] = (m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1]) / det;
    }
  }
  return true;
}

}  // namespace

double OrthonormalDeviation(const DirectionMatrix& direction) {
  M unit{};
  if (!UnitColumns(direction, unit)) return std::numeric_limits<double>::infinity();
  double worst = 0;
  for (int a = 0; a < 3; ++a) {
    for (int b = 0; b < 3; ++b) {
      double dot = 0;
      for (int p = 0; p < 3; ++p) dot += unit[p][a] * unit[p][b];
      worst = std::fmax(worst, std::fabs(dot - (a == b ? 1.0 : 0.0)));
    }
  }
  return worst;
}

std::optional<DirectionMatrix> NearestOrthonormal(const DirectionMatrix& direction) {
  if (!(OrthonormalDeviation(direction) <= kOrthonormalTolerance)) return std::nullopt;
  M q{};
  UnitColumns(direction, q);
  // Newton's iteration for the polar factor: quadratic, a few steps suffice.
  for (int step = 0; step < 20; ++step) {
    M inverse{};
    if (!InverseTranspose(q, inverse)) return std::nullopt;
    double change = 0;
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        const double next = 0.5 * (q[i][j] + inverse[i][j]);
        change = std::fmax(change, std::fabs(next - q[i][j]));
        q[i][j] = next;
      }
    }
    if (change < 1e-15) break;
  }
  return q;
}
