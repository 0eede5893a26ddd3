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

// Interval j's polynomial and its derivatives at offset t from its left knot,
// read straight from the coefficients.
double Value(const CubicSpline& s, int j, double t) {
  return ((s.cubicCoef[j] * t + s.quadCoef[j]) * t + s.linearCoef[j]) * t + s.knotY[j];
}
double Slope(const CubicSpline& s, int j, double t) {
  return (3.0 * s.cubicCoef[j] * t + 2.0 * s.quadCoef[j]) * t + s.linearCoef[j];
}
double Curvature(const CubicSpline& s, int j, double t) {
  return 6.0 * s.cubicCoef[j] * t + 2.0 * s.quadCoef[j];
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
  EXPECT_DOUBLE_EQ(s.cubicCoef[2], -2.0 / 3.0);  // M_3 = 0
}

TEST(CubicSpline, EveryEndConditionInterpolatesSmoothlyAndHoldsItsEndRule) {
  const std::vector<double> x = {-2.0, -0.5, 0.25, 1.0, 3.5, 4.0, 7.0};
  const std::vector<double> y = {3.0, -1.0, 2.5, 2.0, -4.0, 0.5, 1.0};
  const int n = static_cast<int>(x.size());
  const double lastWidth = x[n - 1] - x[n - 2];
  for (int32_t condition : {CubicSpline::kNatural, CubicSpline::kParabolicRunOut,
                            CubicSpline::kNotAKnot, CubicSpline::kClamped}) {
    SCOPED_TRACE(condition);
    CubicSpline s = MakeSpline(x, y);
    s.endCondition = condition;
    s.SetEndSlopes(2.5, -3.0);
    for (int j = 0; j < n - 1; ++j) EXPECT_EQ(At(s, x[j]), y[j]) << j;  // t = 0: the ordinate
    EXPECT_NEAR(At(s, x[n - 1]), y[n - 1], 1e-12);
    for (int j = 1; j < n - 1; ++j) {
      const double h = x[j] - x[j - 1];
      EXPECT_NEAR(Slope(s, j - 1, h), Slope(s, j, 0.0), 1e-9) << j;
      EXPECT_NEAR(Curvature(s, j - 1, h), Curvature(s, j, 0.0), 1e-9) << j;
    }
    switch (condition) {
      case CubicSpline::kNatural:
        EXPECT_EQ(s.quadCoef[0], 0.0);
        EXPECT_NEAR(Curvature(s, n - 2, lastWidth), 0.0, 1e-12);
        break;
      case CubicSpline::kParabolicRunOut:
        EXPECT_NEAR(s.quadCoef[0], s.quadCoef[1], 1e-12);  // M_0 = M_1
        EXPECT_NEAR(s.cubicCoef[n - 2], 0.0, 1e-12);       // M_{n-1} = M_{n-2}
        break;
      case CubicSpline::kNotAKnot:  // equal third derivatives across both end knots
        EXPECT_NEAR(s.cubicCoef[0], s.cubicCoef[1], 1e-9);
        EXPECT_NEAR(s.cubicCoef[n - 3], s.cubicCoef[n - 2], 1e-9);
        break;
      default:
        EXPECT_NEAR(Slope(s, 0, 0.0), 2.5, 1e-12);
        EXPECT_NEAR(Slope(s, n - 2, lastWidth), -3.0, 1e-9);
    }
  }
}

TEST(CubicSpline, EndConditionsReproduceThePolynomialsTheyFit) {
  const struct { int32_t condition; std::vector<double> x; double (*f)(double); } cases[] = {
      {CubicSpline::kNotAKnot, {-1.0, 0.5, 1.25, 4.5},
       [](double v) { return ((0.5 * v - 2.0) * v + 1.0) * v + 3.0; }},
      {CubicSpline::kParabolicRunOut, {-2.0, -1.5, 0.0, 1.0, 3.0},
       [](double v) { return v * v - 3.0 * v; }},
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

TEST(CubicSpline, CopiesKnotsAndComputesOnce) {
  std::vector<double> x = {0.0, 1.0, 2.0}, y = {0.0, 2.0, 4.0};
  CubicSpline s = MakeSpline(x, y);
  x[1] = 10.0;
  y[1] = -7.0;
  EXPECT_FALSE(s.computed);
  EXPECT_DOUBLE_EQ(At(s, 1.5), 3.0);
  EXPECT_TRUE(s.computed);
  // Changing the end condition after the first evaluation changes nothing.
  s.endCondition = CubicSpline::kClamped;
  s.SetEndSlopes(-50.0, 50.0);
  EXPECT_DOUBLE_EQ(At(s, 1.5), 3.0);
}

TEST(CubicSpline, HintsAreKeptOnAHitAndReplacedByBisectionOnAMiss) {
  CubicSpline s = MakeSpline({0.0, 1.0, 2.0, 3.0}, {0.0, 1.0, 0.0, 1.0});
  At(s, 0.0);  // computes the coefficients that Value reads
  // {hint, x, the interval whose polynomial gives the value, hint after}
  const struct { int32_t hint; double x; int interval; int32_t hintAfter; } cases[] = {
      {0, 4.5, 2, 0}, {2, 4.5, 2, 2}, {4, 4.5, 2, 4}, {-3, 4.5, 2, -3},  // above: last cubic
      {5, 9.0, 2, 1},    // above n: reset, even above the last knot
      {4, 2.5, 2, 3},    // n names no interval: a miss
      {3, -0.75, 0, 1},  // below: first cubic
      {0, 1.5, 1, 2}, {3, 0.5, 0, 1},
      {2, 2.0, 1, 2},    // the hinted interval includes both its ends
      {2, 2.25, 2, 3},   // the next one is not tried first
      {-2, 2.0, 2, 3},   // by search a knot goes to the interval it starts
  };
  for (const auto& c : cases) {
    int32_t hint = c.hint;
    EXPECT_DOUBLE_EQ(s.Evaluate(&c.x, &hint), Value(s, c.interval, c.x - c.interval))
        << "x " << c.x << " hint " << c.hint;
    EXPECT_EQ(hint, c.hintAfter) << "x " << c.x << " hint " << c.hint;
  }
}

}  // namespace
