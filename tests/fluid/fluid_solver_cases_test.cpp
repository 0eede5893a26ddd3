#include <gtest/gtest.h>

#include "sources/fluid_solver.h"
#include "tests/fluid/fluid_test_field.h"

namespace {

// Interior 3, border 1: faces copy the interior, negated across the kind's own
// axis; edges keep their 1; corners are 0.33 times their three edge
// neighbours, i.e. 0.99 rather than a true mean.
TEST(Boundary, FacesFollowTheInteriorEdgesStayCornersScaleTheirEdges) {
  for (const fluid::Grid g : {fluid::Grid{5, 4, 3}, fluid::Grid{1, 1, 1}}) {
    for (int kind = 0; kind <= 3; ++kind) {
      TestField f(g, 1.0f);
      for (int32_t k = 1; k <= g.nz; ++k)
        for (int32_t j = 1; j <= g.ny; ++j)
          for (int32_t i = 1; i <= g.nx; ++i) f(i, j, k) = 3.0f;
      EnforceBoundary(g.nx, g.ny, g.nz, kind, f.get());
      for (int32_t k = 0; k <= g.nz + 1; ++k)
        for (int32_t j = 0; j <= g.ny + 1; ++j)
          for (int32_t i = 0; i <= g.nx + 1; ++i) {
            const bool onI = i == 0 || i == g.nx + 1, onJ = j == 0 || j == g.ny + 1,
                       onK = k == 0 || k == g.nz + 1;
            const bool negated = (kind == 1 && onI) || (kind == 2 && onJ) || (kind == 3 && onK);
            const float expected[] = {3.0f, negated ? -3.0f : 3.0f, 1.0f, 0.33f * 3.0f};
            EXPECT_EQ(f(i, j, k), expected[onI + onJ + onK])
                << g.nx << "x" << g.ny << "x" << g.nz << " kind " << kind << " at " << i << ","
                << j << "," << k;
          }
    }
  }
}

TEST(SolverPasses, ZeroDiffusionAndZeroVelocityCopyTheSourceExactly) {
  const fluid::Grid g{9, 7, 5};
  TestField x = TestField(g).Randomize(1, -50.0f, 50.0f), d = x, zero(g);
  const TestField x0 = TestField(g).Randomize(2, -1e3f, 1e3f);
  DiffuseField(9, 7, 5, 0, x.get(), x0.data.data(), 0.0f, 0.4f);
  EXPECT_EQ(x.Interior(), x0.Interior());
  AdvectField(9, 7, 5, 0, d.get(), x0.data.data(), zero.get(), zero.get(), zero.get(), 0.4f);
  EXPECT_EQ(d.Interior(), x0.Interior());
}

// dt0 = 0.4 * nx = 12 cells per unit velocity. Every axis clamps to half a
// cell into its own border (ny and nz, not nx), so each sample below is the
// mean of an edge cell and its border cell.
TEST(SolverPasses, BackTracesOffTheGridClampHalfwayIntoTheBorderPerAxis) {
  const fluid::Grid g{30, 4, 3};
  TestField d(g), d0(g), u(g), v(g), w(g);
  d0(0, 1, 1) = 2.0f, d0(1, 1, 1) = 6.0f, u(5, 1, 1) = 1.0f;       // px = -7
  d0(30, 1, 1) = 10.0f, d0(31, 1, 1) = 30.0f, u(25, 1, 1) = -1.0f;  // px = 37
  d0(7, 4, 2) = 8.0f, d0(7, 5, 2) = 2.0f, v(7, 2, 2) = -0.5f;       // py = 8
  d0(9, 2, 0) = 1.0f, d0(9, 2, 1) = 3.0f, w(9, 2, 2) = 0.5f;        // pz = -4
  d0(11, 2, 3) = 4.0f, d0(11, 2, 4) = 12.0f, w(11, 2, 2) = -1.0f;   // pz = 14
  AdvectField(g.nx, g.ny, g.nz, 0, d.get(), d0.get(), u.get(), v.get(), w.get(), 0.4f);
  EXPECT_EQ(d(5, 1, 1), 4.0f);
  EXPECT_EQ(d(25, 1, 1), 20.0f);
  EXPECT_EQ(d(7, 2, 2), 5.0f);
  EXPECT_EQ(d(9, 2, 2), 2.0f);
  EXPECT_EQ(d(11, 2, 2), 8.0f);
}

TEST(SolverPasses, ProjectingZeroVelocityLeavesZeroVelocityPressureAndDivergence) {
  const fluid::Grid g{6, 6, 6};
  TestField u(g), v(g), w(g), p = TestField(g).Randomize(4, 1.0f, 2.0f),
                              div = TestField(g).Randomize(5, 1.0f, 2.0f);
  const TestField zero(g);
  ProjectVelocity(6, 6, 6, u.get(), v.get(), w.get(), p.get(), div.get());
  EXPECT_EQ(p.Interior(), zero.Interior());
  EXPECT_EQ(div.Interior(), zero.Interior());
  for (const TestField* f : {&u, &v, &w}) EXPECT_EQ(f->data, zero.data);
}

TEST(SolverPasses, DensitySourceOfHundredRaisesOnlyItsCellToForty) {
  const fluid::Grid g{10, 10, 10};
  TestField x(g), xPrev(g), zero(g), expected(g);
  xPrev(3, 7, 5) = 100.0f;
  expected(3, 7, 5) = 40.0f;
  StepDensity(10, 10, 10, x.get(), xPrev.get(), zero.get(), zero.get(), zero.get(), 0.0f, 0.4f);
  EXPECT_EQ(x.Interior(), expected.Interior());
}

}  // namespace
