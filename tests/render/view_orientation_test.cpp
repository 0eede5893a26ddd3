#include <gtest/gtest.h>

#include <cmath>

#include "render/view_orientation.h"

namespace {

std::array<double, 3> Apply(const Rotation& m, const std::array<double, 3>& v) {
  return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
          m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

void ExpectNear(const Rotation& a, const Rotation& b, double tolerance = 1e-12) {
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

double Determinant(const Rotation& m) {
  return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
         m[2] * (m[3] * m[7] - m[4] * m[6]);
}

// Each view puts the side it is named after towards the viewer (+z), is a
// proper rotation (no mirror), and the names read back.
TEST(ViewOrientation, EachViewFacesItsSideWithoutMirroring) {
  const std::pair<const char*, std::array<double, 3>> sides[] = {
      {"anterior", {0, -1, 0}}, {"posterior", {0, 1, 0}}, {"left", {1, 0, 0}},
      {"right", {-1, 0, 0}},    {"superior", {0, 0, 1}},  {"inferior", {0, 0, -1}}};
  for (const auto& [name, side] : sides) {
    SCOPED_TRACE(name);
    const std::optional<AnatomicalView> view = ParseAnatomicalView(name);
    ASSERT_TRUE(view);
    EXPECT_STREQ(AnatomicalViewName(*view), name);
    const Rotation r = ViewRotation(*view);
    EXPECT_EQ(Apply(r, side)[2], 1.0);
    EXPECT_EQ(Determinant(r), 1.0);
  }
  EXPECT_FALSE(ParseAnatomicalView("Anterior"));
  EXPECT_FALSE(ParseAnatomicalView(""));
}

// A quarter turn about the vertical axis from the front brings the
// patient's right side round to the viewer; four of them are a whole turn.
// Tilting about x brings the top towards the viewer.
TEST(ViewOrientation, TurnsAboutTheScreenAxes) {
  const Rotation front = ViewRotation(AnatomicalView::Anterior);
  ExpectNear(TurnAboutEyeY(front, 90), ViewRotation(AnatomicalView::Right));
  ExpectNear(TurnAboutEyeY(front, -90), ViewRotation(AnatomicalView::Left));
  Rotation turned = front;
  for (int i = 0; i < 4; ++i) turned = TurnAboutEyeY(turned, 90);
  ExpectNear(turned, front);
  const std::array<double, 3> top = Apply(TurnAboutEyeX(front, 90), {0, 0, 1});
  EXPECT_NEAR(top[2], 1.0, 1e-12);
}

// Long drags pile up rounding; the result is brought back to the nearest
// frame without changing its first direction, and stays right-handed.
TEST(ViewOrientation, OrthonormalisedRepairsDriftAndKeepsRotations) {
  const Rotation exact = TurnAboutEyeX(TurnAboutEyeY(ViewRotation(AnatomicalView::Left), 30), 20);
  ExpectNear(Orthonormalised(exact), exact, 1e-15);
  Rotation drifted = exact;
  drifted[0] *= 1.01;
  drifted[4] += 0.02;
  const Rotation repaired = Orthonormalised(drifted);
  ExpectNear(repaired, exact, 0.03);
  EXPECT_NEAR(Determinant(repaired), 1.0, 1e-12);
  for (int row = 0; row < 3; ++row) {
    for (int other = 0; other < 3; ++other) {
      double dot = 0;
      for (int k = 0; k < 3; ++k) dot += repaired[3 * row + k] * repaired[3 * other + k];
      EXPECT_NEAR(dot, row == other ? 1.0 : 0.0, 1e-12);
    }
  }
}

// The box seen face-on keeps its sides; turned 45 degrees about the
// vertical axis, its width and depth are both the diagonal's projection.
TEST(ViewOrientation, EyeHalfExtentsOfATurnedBox) {
  const std::array<double, 3> half{100, 50, 25};
  const std::array<double, 3> front = EyeHalfExtents(ViewRotation(AnatomicalView::Anterior), half);
  EXPECT_EQ(front, (std::array<double, 3>{100, 25, 50}));
  const std::array<double, 3> turned =
      EyeHalfExtents(TurnAboutEyeY(ViewRotation(AnatomicalView::Anterior), 45), half);
  EXPECT_NEAR(turned[0], (100 + 50) / std::sqrt(2.0), 1e-9);
  EXPECT_NEAR(turned[1], 25, 1e-9);
  EXPECT_NEAR(turned[2], (100 + 50) / std::sqrt(2.0), 1e-9);
}

}  // namespace
