#include <gtest/gtest.h>


#include "sources/fluid_solver.h"
#include "tests/fluid/fluid_test_field.h"

namespace {

TEST(Diffuse, ZeroRateCopiesTheInteriorExactly) {
  TestField x(9, 7, 5), x0(9, 7, 5);
  x.Randomize(1, -50.0f, 50.0f);
  x0.Randomize(2, -1e3f, 1e3f);
  DiffuseField(9, 7, 5, 0, x.get(), x0.get(), 0.0f, 0.4f);
  for (int32_t k = 1; k <= 5; ++k)
    for (int32_t j = 1; j <= 7; ++j)
      for (int32_t i = 1; i <= 9; ++i) ASSERT_EQ(x(i, j, k), x0(i, j, k)) << i << j << k;
}

TEST(Advect, ZeroVelocityReproducesTheSourceInterior) {
  TestField d(8, 6, 10), d0(8, 6, 10), zero(8, 6, 10);
  d0.Randomize(3, -5.0f, 5.0f);
  AdvectField(8, 6, 10, 0, d.get(), d0.get(), zero.get(), zero.get(), zero.get(), 0.4f);
  for (int32_t k = 1; k <= 10; ++k)
    for (int32_t j = 1; j <= 6; ++j)
      for (int32_t i = 1; i <= 8; ++i) ASSERT_EQ(d(i, j, k), d0(i, j, k));
}

TEST(Advect, BackTracesOffTheGridAreClampedHalfwayIntoTheBorderCell) {
  const int32_t nx = 170, ny = 3, nz = 2;
  TestField d(nx, ny, nz), d0(nx, ny, nz), u(nx, ny, nz), zero(nx, ny, nz);
  d0(0, 2, 1) = 2.0f;
  d0(1, 2, 1) = 6.0f;
  d0(nx, 2, 1) = 10.0f;
  d0(nx + 1, 2, 1) = 30.0f;
  u(5, 2, 1) = 1.0f;    // px = 5 - 68 < 0.5
  u(160, 2, 1) = -1.0f;  // px = 160 + 68 > 170.5
  AdvectField(nx, ny, nz, 0, d.get(), d0.get(), u.get(), zero.get(), zero.get(), 0.4f);
  EXPECT_EQ(d(5, 2, 1), 4.0f);
  EXPECT_EQ(d(160, 2, 1), 20.0f);
}

TEST(Advect, EachAxisClampsToItsOwnSize) {
  // j is traced far beyond ny = 4 while nx = 30 would allow it: must clamp
  // at ny + 0.5, i.e. halfway between rows 4 and 5.
  const int32_t nx = 30, ny = 4, nz = 3;
  TestField d(nx, ny, nz), d0(nx, ny, nz), v(nx, ny, nz), zero(nx, ny, nz);
  d0(7, 4, 2) = 8.0f;
  d0(7, 5, 2) = 2.0f;
  v(7, 2, 2) = -0.5f;  // py = 2 + 0.5 * 0.4 * 30 = 8
  AdvectField(nx, ny, nz, 0, d.get(), d0.get(), zero.get(), v.get(), zero.get(), 0.4f);
  EXPECT_EQ(d(7, 2, 2), 5.0f);
}

TEST(Project, ZeroVelocityStaysZeroWithZeroPressureAndDivergence) {
  const int32_t n = 6;
  TestField u(n, n, n), v(n, n, n), w(n, n, n), p(n, n, n), div(n, n, n);
  p.Randomize(4, 1.0f, 2.0f);
  div.Randomize(5, 1.0f, 2.0f);
  ProjectVelocity(n, n, n, u.get(), v.get(), w.get(), p.get(), div.get());
  for (int32_t k = 1; k <= n; ++k)
    for (int32_t j = 1; j <= n; ++j)
      for (int32_t i = 1; i <= n; ++i) {
        ASSERT_EQ(p(i, j, k), 0.0f);
        ASSERT_EQ(div(i, j, k), 0.0f);
      }
  for (size_t e = 0; e < u.data.size(); ++e) {
    ASSERT_EQ(u.data[e], 0.0f);
    ASSERT_EQ(v.data[e], 0.0f);
    ASSERT_EQ(w.data[e], 0.0f);
  }
}

TEST(StepDensity, SourceOfHundredRaisesOnlyItsCellToForty) {
  const int32_t n = 10;
  TestField x(n, n, n), xPrev(n, n, n), zero(n, n, n);
  xPrev(3, 7, 5) = 100.0f;
  StepDensity(n, n, n, x.get(), xPrev.get(), zero.get(), zero.get(), zero.get(), 0.0f, 0.4f);
  for (int32_t k = 1; k <= n; ++k)
    for (int32_t j = 1; j <= n; ++j)
      for (int32_t i = 1; i <= n; ++i)
        ASSERT_EQ(x(i, j, k), (i == 3 && j == 7 && k == 5) ? 40.0f : 0.0f) << i << j << k;
}

}  // namespace
