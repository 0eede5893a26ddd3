#include "transfer/cubic_spline.h"

#include <gtest/gtest.h>

#include <cmath>
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

// Derivatives of interval j's polynomial at offset t from its left knot.
double FirstDerivative(const CubicSpline& s, int j, double t) {
  return (3.0 * s.cubicCoef[j] * t + 2.0 * s.quadCoef[j]) * t + s.linearCoef[j];
}
double SecondDerivative(const CubicSpline& s, int j, double t) {
  return 6.0 * s.cubicCoef[j] * t + 2.0 * s.quadCoef[j];
}

// Slope and curvature match from both sides of every interior knot.
void ExpectSmoothAtInteriorKnots(const CubicSpline& s) {
  for (int j = 1; j < s.knotCount - 1; ++j) {
    const double h = s.knotX[j] - s.knotX[j - 1];
    EXPECT_NEAR(FirstDerivative(s, j - 1, h), FirstDerivative(s, j, 0.0), 1e-9) << j;
    EXPECT_NEAR(SecondDerivative(s, j - 1, h), SecondDerivative(s, j, 0.0), 1e-9) << j;
  }
}

double Cubic(double x) { return ((0.5 * x - 2.0) * x + 1.0) * x + 3.0; }

std::vector<double> Sample(double (*f)(double), const std::vector<double>& x) {
  std::vector<double> y;
  for (double v : x) y.push_back(f(v));
  return y;
}

const std::vector<double> kZigZagX = {0.0, 1.0, 2.0, 3.0};
const std::vector<double> kZigZagY = {0.0, 1.0, 0.0, 1.0};

TEST(CubicSplineNatural, SolvesTheZigZagExample) {
  CubicSpline s = MakeSpline(kZigZagX, kZigZagY);
  EXPECT_EQ(s.endCondition, CubicSpline::kNatural);
  At(s, 0.5);
  // M = (0, -4, 4, 0): quad = M/2, cubic = dM/6.
  EXPECT_DOUBLE_EQ(s.quadCoef[0], 0.0);
  EXPECT_DOUBLE_EQ(s.quadCoef[1], -2.0);
  EXPECT_DOUBLE_EQ(s.quadCoef[2], 2.0);
  EXPECT_DOUBLE_EQ(s.cubicCoef[0], -2.0 / 3.0);
  EXPECT_DOUBLE_EQ(s.linearCoef[0], 5.0 / 3.0);
  EXPECT_DOUBLE_EQ(s.cubicCoef[2], -2.0 / 3.0);  // M_3 = 0
  EXPECT_NEAR(SecondDerivative(s, 2, 1.0), 0.0, 1e-12);
}

TEST(CubicSplineNatural, PassesThroughKnotsWithContinuousDerivatives) {
  const std::vector<double> x = {-2.0, -0.5, 0.25, 1.0, 3.5, 4.0, 7.0};
  const std::vector<double> y = {3.0, -1.0, 2.5, 2.0, -4.0, 0.5, 1.0};
  CubicSpline s = MakeSpline(x, y);
  const int n = static_cast<int>(x.size());
  for (int j = 0; j < n - 1; ++j) {
    EXPECT_EQ(At(s, x[j]), y[j]) << "knot " << j;  // t = 0 gives the ordinate itself
  }
  EXPECT_NEAR(At(s, x[n - 1]), y[n - 1], 1e-12);
  ExpectSmoothAtInteriorKnots(s);
  EXPECT_EQ(s.quadCoef[0], 0.0);
  EXPECT_NEAR(SecondDerivative(s, n - 2, x[n - 1] - x[n - 2]), 0.0, 1e-12);
}

TEST(CubicSplineNatural, CopiesKnotsAndComputesOnce) {
  std::vector<double> x = {0.0, 1.0, 2.0};
  std::vector<double> y = {0.0, 2.0, 4.0};
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

class CubicSplineHint : public ::testing::Test {
protected:
  CubicSpline s = MakeSpline(kZigZagX, kZigZagY);
  // Value of interval j's polynomial, independent of any search.
  double Interval(int j, double x) {
    const double t = x - s.knotX[j];
    return ((s.cubicCoef[j] * t + s.quadCoef[j]) * t + s.linearCoef[j]) * t + s.knotY[j];
  }
  void SetUp() override { At(s, 0.0); }
};

TEST_F(CubicSplineHint, AboveLastKnotExtrapolatesAndKeepsHint) {
  for (int32_t start : {0, 2, 4, -3}) {
    int32_t hint = start;
    const double x = 4.5;
    EXPECT_DOUBLE_EQ(s.Evaluate(&x, &hint), Interval(2, 4.5));
    EXPECT_EQ(hint, start);
  }
}

TEST_F(CubicSplineHint, HintBeyondCountIsResetEvenAboveLastKnot) {
  int32_t hint = 5;  // n + 1
  double x = 9.0;
  s.Evaluate(&x, &hint);
  EXPECT_EQ(hint, 1);
  hint = 4;  // n: names no interval, but is not reset
  s.Evaluate(&x, &hint);
  EXPECT_EQ(hint, 4);
  hint = 4;
  x = 2.5;  // below the last knot: a miss, found by bisection
  s.Evaluate(&x, &hint);
  EXPECT_EQ(hint, 3);
}

TEST_F(CubicSplineHint, BelowFirstKnotUsesFirstCubic) {
  int32_t hint = 3;
  const double x = -0.75;
  EXPECT_DOUBLE_EQ(s.Evaluate(&x, &hint), Interval(0, -0.75));
  EXPECT_EQ(hint, 1);
}

TEST_F(CubicSplineHint, MissesBisectAndHitsAreKept) {
  int32_t hint = 0;
  double x = 1.5;
  EXPECT_DOUBLE_EQ(s.Evaluate(&x, &hint), Interval(1, 1.5));
  EXPECT_EQ(hint, 2);
  // The hinted interval includes both its ends.
  x = 2.0;
  EXPECT_DOUBLE_EQ(s.Evaluate(&x, &hint), Interval(1, 2.0));
  EXPECT_EQ(hint, 2);
  // The next interval is not tried first: the search lands on it.
  x = 2.25;
  EXPECT_DOUBLE_EQ(s.Evaluate(&x, &hint), Interval(2, 2.25));
  EXPECT_EQ(hint, 3);
  // A stale hint far away is replaced.
  x = 0.5;
  s.Evaluate(&x, &hint);
  EXPECT_EQ(hint, 1);
  hint = -2;
  x = 2.0;  // a knot goes to the interval it starts
  EXPECT_DOUBLE_EQ(s.Evaluate(&x, &hint), 0.0);
  EXPECT_EQ(hint, 3);
}

TEST(CubicSplineNotAKnot, FourKnotsGiveTheCubicThroughThem) {
  const std::vector<double> x = {-1.0, 0.5, 1.25, 4.5};
  CubicSpline s = MakeSpline(x, Sample(Cubic, x));
  s.endCondition = CubicSpline::kNotAKnot;
  for (double v = -2.0; v <= 6.0; v += 0.125) {
    EXPECT_NEAR(At(s, v), Cubic(v), 1e-9) << v;
  }
  for (int j = 0; j < 3; ++j) EXPECT_NEAR(s.cubicCoef[j], 0.5, 1e-12);
}

TEST(CubicSplineNotAKnot, EqualThirdDerivativeOnBothEndPairs) {
  const std::vector<double> x = {0.0, 0.3, 1.1, 1.6, 2.9, 3.0, 4.4};
  const std::vector<double> y = {1.0, -2.0, 0.5, 3.0, 2.0, -1.0, 0.0};
  CubicSpline s = MakeSpline(x, y);
  s.endCondition = CubicSpline::kNotAKnot;
  const int n = static_cast<int>(x.size());
  for (int j = 0; j < n - 1; ++j) EXPECT_EQ(At(s, x[j]), y[j]);
  ExpectSmoothAtInteriorKnots(s);
  EXPECT_NEAR(s.cubicCoef[0], s.cubicCoef[1], 1e-9);
  EXPECT_NEAR(s.cubicCoef[n - 3], s.cubicCoef[n - 2], 1e-9);
  EXPECT_GT(std::fabs(s.cubicCoef[1] - s.cubicCoef[2]), 1e-3);  // interior stays free
}

TEST(CubicSplineClamped, ReproducesGivenEndSlopes) {
  const std::vector<double> x = {0.0, 0.7, 1.5, 3.0, 3.2};
  const std::vector<double> y = {2.0, 1.0, -1.0, 0.0, 4.0};
  CubicSpline s = MakeSpline(x, y);
  s.endCondition = CubicSpline::kClamped;
  s.cubicCoef[0] = 2.5;  // the slopes are read from here when computing
  s.cubicCoef[1] = -3.0;
  At(s, 1.0);
  EXPECT_NEAR(FirstDerivative(s, 0, 0.0), 2.5, 1e-12);
  EXPECT_NEAR(FirstDerivative(s, 3, 0.2), -3.0, 1e-9);
  for (int j = 0; j < 4; ++j) EXPECT_EQ(At(s, x[j]), y[j]);
  ExpectSmoothAtInteriorKnots(s);
  EXPECT_NEAR(At(s, 3.2), 4.0, 1e-12);
}

TEST(CubicSplineClamped, CollinearKnotsGiveTheLine) {
  for (const std::vector<double>& x :
       {std::vector<double>{0.0, 1.0, 3.0, 4.5}, std::vector<double>{-1.0, 2.0}}) {
    std::vector<double> y;
    for (double v : x) y.push_back(2.0 * v + 1.0);
    CubicSpline s = MakeSpline(x, y);
    s.endCondition = CubicSpline::kClamped;
    s.SetEndSlopes(2.0, 2.0);
    EXPECT_NEAR(At(s, 0.7), 2.4, 1e-12);
    for (size_t j = 0; j + 1 < x.size(); ++j) {
      EXPECT_NEAR(s.quadCoef[j], 0.0, 1e-12);  // M_j
      EXPECT_NEAR(s.cubicCoef[j], 0.0, 1e-12);  // M_{j+1} - M_j
      EXPECT_NEAR(s.linearCoef[j], 2.0, 1e-12);
    }
  }
}

TEST(CubicSplineParabolicRunOut, RepeatsEndSecondDerivatives) {
  const std::vector<double> x = {-2.0, -1.5, 0.0, 1.0, 3.0};
  std::vector<double> y;
  for (double v : x) y.push_back(v * v - 3.0 * v);
  CubicSpline s = MakeSpline(x, y);
  s.endCondition = CubicSpline::kParabolicRunOut;
  for (double v = -3.0; v <= 4.0; v += 0.25) EXPECT_NEAR(At(s, v), v * v - 3.0 * v, 1e-9) << v;

  // Uneven data: the end intervals keep the second derivative of their neighbours.
  const std::vector<double> x2 = {0.0, 0.5, 2.0, 2.5, 4.0, 5.5};
  CubicSpline u = MakeSpline(x2, {1.0, 3.0, -2.0, 0.0, 1.0, -1.0});
  u.endCondition = CubicSpline::kParabolicRunOut;
  At(u, 1.0);
  EXPECT_NEAR(u.quadCoef[0], u.quadCoef[1], 1e-12);  // M_0 = M_1
  EXPECT_GT(std::fabs(u.quadCoef[0]), 1e-3);
  EXPECT_NEAR(u.cubicCoef[4], 0.0, 1e-12);            // M_5 = M_4
}

}  // namespace
