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

// Interval j's polynomial and its slope at offset t from its left knot,
// read straight from the coefficients.
double Value(const CubicSpline& s, int j, double t) {
  return ((s.cubicCoef[j] * t + s.quadCoef[j]) * t + s.linearCoef[j]) * t + s.knotY[j];
}
double Slope(const CubicSpline& s, int j, double t) {
  return (3.0 * s.cubicCoef[j] * t + 2.0 * s.quadCoef[j]) * t + s.linearCoef[j];
}

TEST(CubicSpline, NaturalZigZagExample) {
  CubicSpline s = MakeSpline({0.0, 1.0, 2.0, 3.0}, {0.0, 1.0, 0.0, 1.0});
  EXPECT_EQ(s.endCondition, CubicSpline::kNatural);
  At(s, 0.5);
  // M = (0, -4, 4, 0): quad = M/2, cubic = dM/6.
  EXPECT_DOUBLE_EQ(s.quadCoef[0], 0.0);
  EXPECT_DOUBLE_EQ(s.quadCoef[1], -2.0);
  EXPECT_DOUBLE_EQ(s.quadCoef[2], 2.0);
  EXPECT_DOUBLE_EQ(s.cubicCoef[0], -2.0 / 3.0);
  EXPECT_DOUBLE_EQ(s.linearCoef[0], 5.0 / 3.0);
}

TEST(CubicSpline, EveryEndConditionPassesThroughTheKnotsAndClampingHoldsItsSlopes) {
  const std::vector<double> x = {-2.0, -0.5, 0.25, 1.0, 3.5, 4.0, 7.0};
  const std::vector<double> y = {3.0, -1.0, 2.5, 2.0, -4.0, 0.5, 1.0};
  const int n = static_cast<int>(x.size());
  for (int32_t condition : {CubicSpline::kNatural, CubicSpline::kParabolicRunOut,
                            CubicSpline::kNotAKnot, CubicSpline::kClamped}) {
    CubicSpline s = MakeSpline(x, y);
    s.endCondition = condition;
    s.SetEndSlopes(2.5, -3.0);
    for (int j = 0; j < n; ++j) EXPECT_NEAR(At(s, x[j]), y[j], 1e-12) << condition << " " << j;
    if (condition != CubicSpline::kClamped) continue;
    EXPECT_NEAR(Slope(s, 0, 0.0), 2.5, 1e-12);
    EXPECT_NEAR(Slope(s, n - 2, x[n - 1] - x[n - 2]), -3.0, 1e-9);
  }
}

TEST(CubicSpline, EndConditionsReproduceThePolynomialsTheyFit) {
  const struct { int32_t condition; std::vector<double> x; double (*f)(double); } cases[] = {
      {CubicSpline::kNotAKnot, {-1.0, 0.5, 1.25, 4.5},  // only not-a-knot keeps a cubic
       [](double v) { return ((0.5 * v - 2.0) * v + 1.0) * v + 3.0; }},
      {CubicSpline::kClamped, {0.0, 1.0, 3.0, 4.5}, [](double v) { return 2.0 * v + 1.0; }},
      {CubicSpline::kClamped, {-1.0, 2.0}, [](double v) { return 2.0 * v + 1.0; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    std::vector<double> y;
    for (double v : c.x) y.push_back(c.f(v));
    CubicSpline s = MakeSpline(c.x, y);
    s.endCondition = c.condition;
    s.SetEndSlopes(2.0, 2.0);  // the line's slope; only clamping reads it
    for (double v = -3.0; v <= 6.0; v += 0.125) ASSERT_NEAR(At(s, v), c.f(v), 1e-9) << v;
  }
}

TEST(CubicSpline, HintsAreKeptOnAHitAndReplacedByBisectionOnAMiss) {
  CubicSpline s = MakeSpline({0.0, 1.0, 2.0, 3.0}, {0.0, 1.0, 0.0, 1.0});
  At(s, 0.0);  // computes the coefficients that Value reads
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
