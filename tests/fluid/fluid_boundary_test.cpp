#include <gtest/gtest.h>

#include "sources/fluid_solver.h"
#include "tests/fluid/fluid_test_field.h"

namespace {

// Interior 1, border 0, as in a freshly filled field.
TestField InteriorOnes(int32_t nx, int32_t ny, int32_t nz) {
  TestField f(nx, ny, nz);
  for (int32_t k = 1; k <= nz; ++k)
    for (int32_t j = 1; j <= ny; ++j)
      for (int32_t i = 1; i <= nx; ++i) f(i, j, k) = 1.0f;
  return f;
}

// Axis (1 i, 2 j, 3 k) of the single border index of a face cell.
int FaceAxis(const fluid::Grid& g, int32_t i, int32_t j, int32_t) {
  if (i == 0 || i == g.nx + 1) return 1;
  if (j == 0 || j == g.ny + 1) return 2;
  return 3;
}

class BoundaryKind : public ::testing::TestWithParam<int> {};

TEST_P(BoundaryKind, FacesCopyOrNegateEdgesStayCornersFromEdges) {
  const int kind = GetParam();
  TestField f = InteriorOnes(5, 4, 3);
  EnforceBoundary(5, 4, 3, kind, f.get());
  for (int32_t k = 0; k <= 4; ++k) {
    for (int32_t j = 0; j <= 5; ++j) {
      for (int32_t i = 0; i <= 6; ++i) {
        const int border = BorderIndices(f.at, i, j, k);
        SCOPED_TRACE(testing::Message() << "cell " << i << "," << j << "," << k);
        if (border == 0) {
          EXPECT_EQ(f(i, j, k), 1.0f);
        } else if (border == 1) {
          EXPECT_EQ(f(i, j, k), FaceAxis(f.at, i, j, k) == kind ? -1.0f : 1.0f);
        } else {
          // Edges untouched (0), so every corner is 0.33 * 0.
          EXPECT_EQ(f(i, j, k), 0.0f);
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, BoundaryKind, ::testing::Values(0, 1, 2, 3));

TEST(Boundary, CornerIsPointThreeThreeTimesItsEdgeNeighboursNotAThird) {
  TestField f(3, 3, 3);
  const int32_t e = 4;  // border index
  for (int32_t c0 : {0, e})
    for (int32_t c1 : {0, e})
      for (int32_t c2 : {0, e}) {
        // Set the three edge neighbours of corner (c0, c1, c2) to 1.
        f(c0 == 0 ? 1 : 3, c1, c2) = 1.0f;
        f(c0, c1 == 0 ? 1 : 3, c2) = 1.0f;
        f(c0, c1, c2 == 0 ? 1 : 3) = 1.0f;
      }
  EnforceBoundary(3, 3, 3, 1, f.get());
  const float expected = 0.33f * (1.0f + 1.0f + 1.0f);
  EXPECT_NE(expected, 1.0f);
  for (int32_t c0 : {0, e})
    for (int32_t c1 : {0, e})
      for (int32_t c2 : {0, e}) EXPECT_EQ(f(c0, c1, c2), expected) << c0 << c1 << c2;
  EXPECT_FLOAT_EQ(expected, 0.99f);
}

TEST(Boundary, UnitGridKeepsEdgesAndMirrorsTheSingleCell) {
  TestField f(1, 1, 1);
  f.Randomize(7, -2.0f, 2.0f);
  const TestField before = f;
  EnforceBoundary(1, 1, 1, 3, f.get());
  const float centre = f(1, 1, 1);
  EXPECT_EQ(f(1, 1, 0), -centre);
  EXPECT_EQ(f(1, 1, 2), -centre);
  EXPECT_EQ(f(0, 1, 1), centre);
  EXPECT_EQ(f(1, 2, 1), centre);
  for (int32_t k = 0; k <= 2; ++k)
    for (int32_t j = 0; j <= 2; ++j)
      for (int32_t i = 0; i <= 2; ++i) {
        if (BorderIndices(f.at, i, j, k) == 2) {
          EXPECT_EQ(f.data[f.at(i, j, k)], before.data[f.at(i, j, k)]);
        }
      }
}

}  // namespace
