#include <gtest/gtest.h>

#include "sources/fluid_solver.h"
#include "tests/sources/fluid_test_field.h"

namespace {

// Interior 3, border 1: faces copy the interior, negated across the kind's own
// axis; edges keep their 1; corners get 0.33 times their three edges, 0.99.
TEST(Boundary, FacesFollowTheInteriorEdgesStayCornersScaleTheirEdges) {
  for (const fluid::Grid g : {fluid::Grid{5, 4, 3}, fluid::Grid{1, 1, 1}}) {
    for (int kind = 0; kind <= 3; ++kind) {
      TestField f(g, 1.0f), expected(g);
      for (int32_t k = 0; k <= g.nz + 1; ++k)
        for (int32_t j = 0; j <= g.ny + 1; ++j)
          for (int32_t i = 0; i <= g.nx + 1; ++i) {
            const bool onI = i == 0 || i > g.nx, onJ = j == 0 || j > g.ny, onK = k == 0 || k > g.nz;
            const bool negated = (kind == 1 && onI) || (kind == 2 && onJ) || (kind == 3 && onK);
            const float byBorders[] = {3.0f, negated ? -3.0f : 3.0f, 1.0f, 0.33f * 3.0f};
            expected(i, j, k) = byBorders[onI + onJ + onK];
            if (!onI && !onJ && !onK) f(i, j, k) = 3.0f;
          }
      EnforceBoundary(g.nx, g.ny, g.nz, kind, f.get());
      EXPECT_EQ(f.data, expected.data) << g.nx << "x" << g.ny << "x" << g.nz << " kind " << kind;
    }
  }
}

TEST(SolverPasses, ZeroDiffusionVelocityAndFlowGiveExactResults) {
  const fluid::Grid g{9, 7, 5};
  const TestField zero(g), x0 = TestField(g).Randomize(2, -1e3f, 1e3f);
  TestField x = TestField(g).Randomize(1, -50.0f, 50.0f), d = x, u(g);
  DiffuseField(9, 7, 5, 0, x.get(), x0.data.data(), 0.0f, 0.4f);
  EXPECT_EQ(x.Interior(), x0.Interior());
  AdvectField(9, 7, 5, 0, d.get(), x0.data.data(), u.get(), u.get(), u.get(), 0.4f);
  EXPECT_EQ(d.Interior(), x0.Interior());

  TestField v(g), w(g), p = TestField(g).Randomize(4, 1, 2), div = TestField(g).Randomize(5, 1, 2);
  ProjectVelocity(9, 7, 5, u.get(), v.get(), w.get(), p.get(), div.get());
  EXPECT_EQ(p.Interior(), zero.Interior());
  EXPECT_EQ(div.Interior(), zero.Interior());
  for (const TestField* f : {&u, &v, &w}) EXPECT_EQ(f->data, zero.data);

  // A density source of 100 raises only its own cell, to dt * 100.
  TestField density(g), source(g), expected(g);
  source(3, 6, 4) = 100.0f;
  expected(3, 6, 4) = 40.0f;
  StepDensity(9, 7, 5, density.get(), source.get(), u.get(), v.get(), w.get(), 0.0f, 0.4f);
  EXPECT_EQ(density.Interior(), expected.Interior());
}

// 12 cells per unit velocity. Each axis clamps half a cell into its own border
// (ny and nz, not nx): each sample is the mean of an edge and a border cell.
TEST(SolverPasses, BackTracesOffTheGridClampHalfwayIntoTheBorderPerAxis) {
  const fluid::Grid g{30, 4, 3};
  TestField d(g), d0(g), u(g), v(g), w(g);
  d0(0, 1, 1) = 2.0f, d0(1, 1, 1) = 6.0f, u(5, 1, 1) = 1.0f;       // px = -7
  d0(30, 1, 1) = 10.0f, d0(31, 1, 1) = 30.0f, u(25, 1, 1) = -1.0f;  // px = 37
  d0(7, 4, 2) = 8.0f, d0(7, 5, 2) = 2.0f, v(7, 2, 2) = -0.5f;       // py = 8
  d0(9, 2, 0) = 1.0f, d0(9, 2, 1) = 3.0f, w(9, 2, 2) = 0.5f;        // pz = -4
  d0(11, 2, 3) = 4.0f, d0(11, 2, 4) = 12.0f, w(11, 2, 2) = -1.0f;   // pz = 14
  AdvectField(g.nx, g.ny, g.nz, 0, d.get(), d0.get(), u.get(), v.get(), w.get(), 0.4f);
  EXPECT_EQ(std::vector<float>({d(5, 1, 1), d(25, 1, 1), d(7, 2, 2), d(9, 2, 2), d(11, 2, 2)}),
            std::vector<float>({4.0f, 20.0f, 5.0f, 2.0f, 8.0f}));
}

}  // namespace
