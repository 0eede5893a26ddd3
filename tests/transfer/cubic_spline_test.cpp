#include "transfer/cubic_spline.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Builds a spline from vectors; the knot count is taken from x.
CubicSpline MakeSpline(const std::vector<double>& x, const std::vector<double>& y) {
  const int32_t n = static_cast<int32_t>(x.size());
  return CubicSpline(x.data(), y.data(), &n);
}

double At(CubicSpline& spline, double x) {
  int32_t hint = 0;
  return spline.Evaluate(&x, &hint);
}

// Interval j's polynomial at offset t from its left knot, read straight from
// the coefficients.
double Value(const CubicSpline& s, int j, double t) {
  return ((s.cubicCoef[j] * t + s.quadCoef[j]) * t + s.linearCoef[j]) * t + s.knotY[j];
}

// Each end condition but the natural one holds for some polynomial beyond a line, and
// the spline then is that polynomial everywhere: between the knots and beyond them.
TEST(CubicSpline, EndConditionsReproduceThePolynomialsTheyFit) {
  const auto cubic = [](double v) { return ((0.5 * v - 2.0) * v + 1.0) * v + 3.0; };
  const auto quadratic = [](double v) { return (0.75 * v - 2.0) * v + 1.0; };
  const std::vector<double> seven = {-2.0, -0.5, 0.25, 1.0, 3.5, 4.0, 7.0};
  const struct { int32_t condition; std::vector<double> x; double (*f)(double); } cases[] = {
      {CubicSpline::kParabolicRunOut, seven, quadratic},  // M_0 = M_1 holds for a parabola
      {CubicSpline::kNotAKnot, seven, cubic},
      {CubicSpline::kNotAKnot, {-1.0, 0.5, 1.25, 4.5}, cubic},
      {CubicSpline::kClamped, seven, cubic},  // given the cubic's own end slopes
      {CubicSpline::kClamped, {-1.0, 2.0}, [](double v) { return 2.0 * v + 1.0; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    std::vector<double> y;
    for (double v : c.x) y.push_back(c.f(v));
    CubicSpline s = MakeSpline(c.x, y);
    s.endCondition = c.condition;
    const double a = c.x.front(), b = c.x.back(), e = 1e-6;
    s.SetEndSlopes((c.f(a + e) - c.f(a - e)) / (2 * e), (c.f(b + e) - c.f(b - e)) / (2 * e));
    for (double v = a - 1.0; v <= b + 1.0; v += 0.0625) ASSERT_NEAR(At(s, v), c.f(v), 1e-7) << v;
  }
}

TEST(CubicSpline, NaturalZigZagAndHintsKeptOnAHitOrReplacedByBisectionOnAMiss) {
  CubicSpline s = MakeSpline({0.0, 1.0, 2.0, 3.0}, {0.0, 1.0, 0.0, 1.0});
  EXPECT_EQ(s.endCondition, CubicSpline::kNatural);
  At(s, 0.5);
  // M = (0, -4, 4, 0): quad = M/2, cubic = dM/6.
  const double got[] = {s.quadCoef[0], s.quadCoef[1], s.quadCoef[2], s.cubicCoef[0],
                        s.linearCoef[0]};
  const double want[] = {0.0, -2.0, 2.0, -2.0 / 3.0, 5.0 / 3.0};
  for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(got[i], want[i]) << i;
  // {hint, x, the interval whose polynomial gives the value, hint after}
  const struct { int32_t hint; double x; int interval; int32_t hintAfter; } cases[] = {
      {4, 4.5, 2, 4}, {-3, 4.5, 2, -3},  // above the knots: last cubic, hint kept
      {5, 9.0, 2, 1},                    // above n: reset
      {3, -0.75, 0, 1}, {0, 1.5, 1, 2},  // below, and a miss: bisection
      {2, 2.0, 1, 2},                    // the hinted interval includes both its ends
      {2, 2.25, 2, 3}, {-2, 2.0, 2, 3},  // by search a knot goes to the interval it starts
  };
  for (const auto& c : cases) {
    int32_t hint = c.hint;
    EXPECT_DOUBLE_EQ(s.Evaluate(&c.x, &hint), Value(s, c.interval, c.x - c.interval)) << c.x;
    EXPECT_EQ(hint, c.hintAfter) << c.x << " from " << c.hint;
  }
}

}  // namespace
