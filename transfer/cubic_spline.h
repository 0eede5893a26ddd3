// Interpolating cubic spline through n knots, solved on the second
// derivatives, with a choice of four end conditions.
#pragma once

#include <cstdint>
#include <memory>

class CubicSpline {
public:
  // End-condition codes for `endCondition`.
  static constexpr int32_t kNatural = 1;         // M_0 = M_{n-1} = 0 (needs n >= 3)
  static constexpr int32_t kParabolicRunOut = 2; // M_0 = M_1, M_{n-1} = M_{n-2} (n >= 3)
  static constexpr int32_t kNotAKnot = 3;        // one cubic over the first and last two intervals (n >= 4)
  static constexpr int32_t kClamped = 4;         // given end slopes (n >= 2)

  // Copies *count knots; the abscissas must be strictly increasing. The
  // caller's arrays are not referenced afterwards.
  CubicSpline(const double* x, const double* y, const int32_t* count);

  CubicSpline(const CubicSpline&) = delete;
  CubicSpline& operator=(const CubicSpline&) = delete;

  // Stores the clamped end slopes where Compute() reads them (entries 0 and
  // 1 of `cubicCoef`). Ignored after the first evaluation, when those
  // entries hold coefficients.
  void SetEndSlopes(double startSlope, double endSlope);

  // Fills the coefficient arrays for the current `endCondition`. Evaluate()
  // calls it once, on first use.
  void Compute();

  // Value at *x. *hint is a 1-based interval number (k names the interval
  // from knot k-1 to knot k); a hint that misses is replaced by the interval
  // found by bisection. Outside the knots the end cubics are extrapolated.
  double Evaluate(const double* x, int32_t* hint);

  int32_t endCondition;
  // Per interval j: S(x) = ((cubic*t + quad)*t + linear)*t + knotY[j], t = x - knotX[j].
  std::unique_ptr<double[]> cubicCoef;
  std::unique_ptr<double[]> quadCoef;
  std::unique_ptr<double[]> linearCoef;
  std::unique_ptr<double[]> knotX;
  std::unique_ptr<double[]> knotY;
  int32_t knotCount;
  bool computed;

private:
  double Polynomial(int32_t interval, double x) const;
};
