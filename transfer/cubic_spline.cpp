#include "transfer/cubic_spline.h"

#include <vector>

namespace {

// One row of the tridiagonal system in the second derivatives.
struct SystemRow {
  double sub = 0.0;    // multiplies M_{j-1}
  double diag = 0.0;   // multiplies M_j
  double super = 0.0;  // multiplies M_{j+1}
  double rhs = 0.0;
  double slope = 0.0;  // d_j, the chord slope of interval j
};

// Forward elimination and back substitution over rows first..last, no
// pivoting (the systems built here are diagonally dominant).
void SolveTridiagonal(std::vector<SystemRow>& rows, int32_t first, int32_t last,
                      std::vector<double>& m) {
  if (last < first) {
    return;  // no unknown: the end rules fix every second derivative
  }
  for (int32_t k = first + 1; k <= last; ++k) {
    const double factor = rows[k].sub / rows[k - 1].diag;
    rows[k].diag = rows[k].diag - factor * rows[k - 1].super;
    rows[k].rhs = rows[k].rhs - factor * rows[k - 1].rhs;
  }
  m[last] = rows[last].rhs / rows[last].diag;
  for (int32_t k = last - 1; k >= first; --k) {
    m[k] = (rows[k].rhs - rows[k].super * m[k + 1]) / rows[k].diag;
  }
}

}  // namespace

CubicSpline::CubicSpline(const double* x, const double* y, const int32_t* count)
    : endCondition(kNatural),
      cubicCoef(std::make_unique<double[]>(*count)),
      quadCoef(std::make_unique<double[]>(*count)),
      linearCoef(std::make_unique<double[]>(*count)),
      knotX(std::make_unique<double[]>(*count)),
      knotY(std::make_unique<double[]>(*count)),
      knotCount(*count),
      computed(false) {
  for (int32_t j = 0; j < knotCount; ++j) {
    knotX[j] = x[j];
    knotY[j] = y[j];
  }
}

void CubicSpline::SetEndSlopes(double startSlope, double endSlope) {
  if (computed) {
    return;  // the entries hold coefficients now; writing would corrupt the curve
  }
  cubicCoef[0] = startSlope;
  cubicCoef[1] = endSlope;
}

void CubicSpline::Compute() {
  const int32_t n = knotCount;
  std::vector<double> h(n - 1);
  std::vector<SystemRow> rows(n);
  std::vector<double> m(n, 0.0);

  for (int32_t j = 0; j < n - 1; ++j) {
    h[j] = knotX[j + 1] - knotX[j];
    rows[j].slope = (knotY[j + 1] - knotY[j]) / h[j];
  }
  for (int32_t j = 1; j < n - 1; ++j) {
    rows[j].sub = h[j - 1];
    rows[j].diag = 2.0 * (h[j - 1] + h[j]);
    rows[j].super = h[j];
    rows[j].rhs = 6.0 * (rows[j].slope - rows[j - 1].slope);
  }

  int32_t first = 1;
  int32_t last = n - 2;
  switch (endCondition) {
    case kParabolicRunOut:
      rows[1].diag += h[0];
      rows[n - 2].diag += h[n - 2];
      break;
    case kNotAKnot:
      rows[1].diag = (h[0] + h[1]) * (h[0] + 2.0 * h[1]) / h[1];
      rows[1].super = (h[1] * h[1] - h[0] * h[0]) / h[1];
      rows[n - 2].sub = (h[n - 3] * h[n - 3] - h[n - 2] * h[n - 2]) / h[n - 3];
      rows[n - 2].diag = (h[n - 3] + h[n - 2]) * (2.0 * h[n - 3] + h[n - 2]) / h[n - 3];
      break;
    case kClamped: {
      // The slopes live in the cubic coefficients until these are written.
      const double startSlope = cubicCoef[0];
      const double endSlope = cubicCoef[1];
      rows[0].diag = 2.0 * h[0];
      rows[0].super = h[0];
      rows[0].rhs = 6.0 * (rows[0].slope - startSlope);
      rows[n - 1].sub = h[n - 2];
      rows[n - 1].diag = 2.0 * h[n - 2];
      rows[n - 1].super = 0.0;
      rows[n - 1].rhs = 6.0 * (endSlope - rows[n - 2].slope);
      first = 0;
      last = n - 1;
      break;
    }
    default:  // natural
      break;
  }

  SolveTridiagonal(rows, first, last, m);

  switch (endCondition) {
    case kParabolicRunOut:
      m[0] = m[1];
      m[n - 1] = m[n - 2];
      break;
    case kNotAKnot:
      m[0] = ((h[0] + h[1]) * m[1] - h[0] * m[2]) / h[1];
      m[n - 1] = ((h[n - 3] + h[n - 2]) * m[n - 2] - h[n - 2] * m[n - 3]) / h[n - 3];
      break;
    case kClamped:
      break;
    default:
      m[0] = 0.0;
      m[n - 1] = 0.0;
      break;
  }

  for (int32_t j = 0; j < n - 1; ++j) {
    cubicCoef[j] = (m[j + 1] - m[j]) / (h[j] * 6.0);
    quadCoef[j] = m[j] * 0.5;
    linearCoef[j] = rows[j].slope - h[j] * (2.0 * m[j] + m[j + 1]) * 0.16666666666666666;
  }
}

double CubicSpline::Polynomial(int32_t interval, double x) const {
  const double t = x - knotX[interval];
  return ((cubicCoef[interval] * t + quadCoef[interval]) * t + linearCoef[interval]) * t +
         knotY[interval];
}

double CubicSpline::Evaluate(const double* x, int32_t* hint) {
  if (!computed) {
    Compute();
    computed = true;
  }
  const int32_t n = knotCount;
  if (*hint > n) {
    *hint = 1;
  }
  const double at = *x;
  if (at >= knotX[n - 1]) {
    return Polynomial(n - 2, at);
  }
  const int32_t hinted = *hint - 1;
  if (hinted >= 0 && hinted < n - 1 && knotX[hinted] <= at && at <= knotX[hinted + 1]) {
    return Polynomial(hinted, at);
  }
  int32_t lo = 0;
  int32_t hi = n;
  while (hi - lo > 1) {
    const int32_t mid = (lo + hi) / 2;
    if (at >= knotX[mid]) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  *hint = lo + 1;
  return Polynomial(lo, at);
}
