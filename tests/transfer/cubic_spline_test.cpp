#include "transfer/cubic_spline.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

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
    const int32_t n = static_cast<int32_t>(c.x.size());
    CubicSpline s(c.x.data(), y.data(), &n);
    s.endCondition = c.condition;
    const double a = c.x.front(), b = c.x.back(), e = 1e-6;
    s.SetEndSlopes((c.f(a + e) - c.f(a - e)) / (2 * e), (c.f(b + e) - c.f(b - e)) / (2 * e));
    int32_t hint = 0;
    for (double v = a - 1.0; v <= b + 1.0; v += 0.0625)
      ASSERT_NEAR(s.Evaluate(&v, &hint), c.f(v), 1e-7) << v;
  }
}

// Natural through the zig-zag 0, 1, 0, 1 at 0..3: M = (0, -4, 4, 0), so the
// intervals' cubics are -2/3 t^3 + 5/3 t, 4/3 t^3 - 2 t^2 - 1/3 t + 1 and
// -2/3 t^3 + 2 t^2 - 1/3 t, each t from the interval's left knot.
TEST(CubicSpline, NaturalZigZagAndHintsKeptOnAHitOrReplacedByBisectionOnAMiss) {
  const double x[] = {0.0, 1.0, 2.0, 3.0}, y[] = {0.0, 1.0, 0.0, 1.0};
  const int32_t n = 4;
  CubicSpline s(x, y, &n);
  const struct { int32_t hint; double x, value; int32_t hintAfter; } cases[] = {
      {4, 4.5, 1.25, 4}, {-3, 4.5, 1.25, -3},  // above the knots: last cubic, hint kept
      {5, 9.0, -133.0, 1},                     // above n: reset
      {3, -0.75, -0.96875, 1}, {0, 1.5, 0.5, 2},  // below, and a miss: bisection
      {2, 2.0, 0.0, 2},                        // the hinted interval includes both its ends
      {2, 2.25, 0.03125, 3}, {-2, 2.0, 0.0, 3},  // by search a knot goes to the interval it starts
  };
  for (const auto& c : cases) {
    int32_t hint = c.hint;
    EXPECT_NEAR(s.Evaluate(&c.x, &hint), c.value, 1e-12) << c.x;
    EXPECT_EQ(hint, c.hintAfter) << c.x << " from " << c.hint;
  }
}

}  // namespace
