// Nearly orthonormal direction cosines: accepted within the tolerance and
// replaced by the nearest orthonormal frame, refused beyond it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "files/volume_frame.h"
#include "files/volume_regrid.h"

namespace {

DirectionMatrix Skewed(double e) {  // the y axis leans toward x by e
  return {{{1, e, 0}, {0, 1, 0}, {0, 0, 1}}};
}

}  // namespace

TEST(OrthonormalFrame, DeviationIsTheCosineBetweenAxes) {
  EXPECT_EQ(OrthonormalDeviation({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}), 0.0);
  EXPECT_NEAR(OrthonormalDeviation(Skewed(0.001)), 0.001, 1e-6);
  EXPECT_TRUE(std::isinf(OrthonormalDeviation({{{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}})));
  EXPECT_TRUE(std::isinf(OrthonormalDeviation({{{NAN, 0, 0}, {0, 1, 0}, {0, 0, 1}}})));
}

TEST(OrthonormalFrame, AcceptedWithinTheToleranceAsTheNearestFrameRefusedBeyond) {
  for (double e : {1e-6, 1e-3, 0.0099}) {
    const auto frame = NearestOrthonormal(Skewed(e));
    ASSERT_TRUE(frame) << e;
    EXPECT_LT(OrthonormalDeviation(*frame), 1e-12) << e;
    // The polar factor splits the skew between the two axes: x turns by
    // -e/2 toward y, y by +e/2 away from x; z stays.
    EXPECT_NEAR((*frame)[1][0], -e / 2, e * e + 1e-12) << e;
    EXPECT_NEAR((*frame)[0][1], e / 2, e * e + 1e-12) << e;
    EXPECT_NEAR((*frame)[2][2], 1, 1e-12);
  }
  EXPECT_FALSE(NearestOrthonormal(Skewed(0.011)));
  EXPECT_FALSE(NearestOrthonormal(Skewed(0.5)));
  // A flipped axis keeps its sense: the frame stays left-handed.
  const auto flipped = NearestOrthonormal({{{-1, 0.002, 0}, {0, 1, 0}, {0, 0, 1}}});
  ASSERT_TRUE(flipped);
  EXPECT_NEAR((*flipped)[0][0], -1, 1e-5);
}

namespace {

// A CT series with gantry tilt: rows along x, columns tilted `degrees` about
// x, the slices stacked straight along z, 2.5 mm apart.
VoxelGrid Tilted(double degrees, std::array<int64_t, 3> sizes) {
  const double t = degrees * M_PI / 180;
  VoxelGrid grid;
  grid.sizes = sizes;
  grid.spacing = {2, 2, 2.5};
  grid.origin = {-10, 5, 30};
  grid.direction = {{{1, 0, 0}, {0, std::cos(t), 0}, {0, std::sin(t), 1}}};
  return grid;
}

std::array<double, 3> Position(const VoxelGrid& g, double i, double j, double k) {
  std::array<double, 3> p = g.origin;
  for (int r = 0; r < 3; ++r) {
    p[r] += g.direction[r][0] * g.spacing[0] * i + g.direction[r][1] * g.spacing[1] * j +
            g.direction[r][2] * g.spacing[2] * k;
  }
  return p;
}

}  // namespace

// Where a point of the tilted grid falls in its index space.
std::array<double, 3> TiltedIndex(double degrees, const std::array<double, 3>& p) {
  const double t = degrees * M_PI / 180, j = (p[1] - 5) / (2 * std::cos(t));
  return {(p[0] + 10) / 2, j, (p[2] - 30 - j * 2 * std::sin(t)) / 2.5};
}

TEST(PatientGrid, CoversTheOldGridAlongThePatientsAxesInItsOwnSpacing) {
  const auto plan = PlanPatientGrid(Tilted(15, {8, 10, 6}));
  ASSERT_TRUE(plan);
  EXPECT_NEAR(plan->shearDegrees, 15, 1e-9);
  EXPECT_NEAR(plan->turnDegrees, 15, 1e-9);  // the slice plane tilts with the columns
  const VoxelGrid& grid = plan->grid;
  EXPECT_EQ(grid.direction, (DirectionMatrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}));
  // The steps along the patient's axes: the columns' is 2 cos 15.
  EXPECT_NEAR(grid.spacing[0], 2, 1e-12);
  EXPECT_NEAR(grid.spacing[1], 2 * std::cos(15 * M_PI / 180), 1e-12);
  EXPECT_NEAR(grid.spacing[2], 2.5, 1e-12);
  // y: 9 columns, 17.4 mm; z: 9 x 2 sin 15 + 5 slices x 2.5 = 17.2 mm, rounded up.
  EXPECT_EQ(grid.sizes, (std::array<int64_t, 3>{8, 10, 8}));
  // Every corner of the old grid lies inside the new one, whichever way the slices slide.
  for (double degrees : {15.0, -30.0}) {
    const VoxelGrid tilted = Tilted(degrees, {8, 10, 6});
    const VoxelGrid covering = PlanPatientGrid(tilted)->grid;
    for (int corner = 0; corner < 8; ++corner) {
      const auto p = Position(tilted, (corner & 1) * 7, (corner >> 1 & 1) * 9, (corner >> 2 & 1) * 5);
      for (int axis = 0; axis < 3; ++axis) {
        const double along = p[axis] - covering.origin[axis];
        EXPECT_GE(along, -1e-9) << degrees;
        EXPECT_LE(along, (covering.sizes[axis] - 1) * covering.spacing[axis] + 1e-9) << degrees;
      }
    }
  }
  // Turned but square: no shear; each axis keeps its sense along the patient's axis nearest it.
  VoxelGrid turned = Tilted(0, {4, 4, 4});
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
  turned.direction = {{{0, 0, -1}, {c, -s, 0}, {s, c, 0}}};
  const auto plain = PlanPatientGrid(turned);
  ASSERT_TRUE(plain);
  EXPECT_NEAR(plain->shearDegrees, 0, 1e-6);
  EXPECT_NEAR(plain->turnDegrees, 30, 1e-9);
  EXPECT_EQ(plain->grid.direction, (DirectionMatrix{{{0, 0, -1}, {1, 0, 0}, {0, 1, 0}}}));
  // Zero, collinear or non-finite axes cannot be resampled.
  VoxelGrid broken = Tilted(15, {8, 10, 6});
  broken.direction = {{{1, 1, 0}, {0, 0.001, 0}, {0, 0, 1}}};
  EXPECT_FALSE(PlanPatientGrid(broken));
  broken.direction = {{{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  EXPECT_FALSE(PlanPatientGrid(broken));
  broken = Tilted(15, {8, 10, 6});
  broken.spacing[2] = NAN;
  EXPECT_FALSE(PlanPatientGrid(broken));
}

TEST(PatientGrid, ResamplingKeepsWhatLiesWherePointsOutsideTakeTheFill) {
  // Trilinear interpolation is exact for a value linear in position, so every
  // square voxel inside the tilted grid must read the value of its own place.
  auto field = [](const std::array<double, 3>& p) { return 3 * p[0] - 2 * p[1] + 0.5 * p[2] + 7; };
  for (double degrees : {15.0, -30.0}) {
    const VoxelGrid tilted = Tilted(degrees, {6, 7, 5});
    std::vector<float> values;
    for (int k = 0; k < 5; ++k)
      for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 6; ++i) values.push_back(static_cast<float>(field(Position(tilted, i, j, k))));
    const VoxelGrid square = PlanPatientGrid(tilted)->grid;
    const VoxelBuffer out = ResampleGrid(tilted, square, VoxelType::Float32,
                                         reinterpret_cast<const uint8_t*>(values.data()), -1000);
    const float* resampled = reinterpret_cast<const float*>(out.get());
    int inside = 0, outside = 0;
    for (int64_t k = 0; k < square.sizes[2]; ++k) {
      for (int64_t j = 0; j < square.sizes[1]; ++j) {
        for (int64_t i = 0; i < square.sizes[0]; ++i, ++resampled) {
          const auto p = Position(square, double(i), double(j), double(k));
          const auto index = TiltedIndex(degrees, p);
          auto within = [&](double margin) {
            return index[0] > -margin && index[0] < 5 + margin && index[1] > -margin && index[1] < 6 + margin &&
                   index[2] > -margin && index[2] < 4 + margin;
          };
          if (within(1e-6)) {
            ++inside;
            EXPECT_NEAR(*resampled, field(p), 1e-3) << degrees << " at " << i << "," << j << "," << k;
          } else if (!within(1e-3)) {
            ++outside;
            EXPECT_EQ(*resampled, -1000) << degrees << " at " << i << "," << j << "," << k;
          }
        }
      }
    }
    EXPECT_GT(inside, 100);
    EXPECT_GT(outside, 10);
  }
  // Integers are rounded; a grid one slice thick is sampled in its plane.
  VoxelGrid thin = Tilted(0, {2, 1, 1});
  const uint8_t pair[2] = {10, 13};
  VoxelGrid half = thin;
  half.sizes = {3, 1, 1};
  half.spacing[0] = 1;
  const VoxelBuffer out = ResampleGrid(thin, half, VoxelType::UInt8, pair, 0);
  EXPECT_EQ(std::vector<int>(out.get(), out.get() + 3), (std::vector<int>{10, 12, 13}));
  const std::array<float, 3> mixed{NAN, 4, -2};
  const ValueSpan span = FiniteRange(VoxelType::Float32, reinterpret_cast<const uint8_t*>(mixed.data()), 3);
  EXPECT_EQ(std::make_pair(span.low, span.high), std::make_pair(-2.0, 4.0));
}
