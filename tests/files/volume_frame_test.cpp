// Nearly orthonormal direction cosines: accepted within the tolerance and
// replaced by the nearest orthonormal frame, refused beyond it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "files/volume_frame.h"
#include "files/volume_shear.h"

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

TEST(ShearedGrid, SquaredAlongItsSlicePlaneCoveringIt) {
  const VoxelGrid tilted = Tilted(15, {8, 10, 6});
  const auto plan = PlanSquareGrid(tilted);
  ASSERT_TRUE(plan);
  EXPECT_NEAR(plan->degrees, 15, 1e-9);
  const VoxelGrid& square = plan->square;
  EXPECT_LT(OrthonormalDeviation(square.direction), 1e-12);
  // Rows and columns keep their directions and spacing; slices are as far apart as their planes.
  for (int r = 0; r < 3; ++r) {
    EXPECT_NEAR(square.direction[r][0], tilted.direction[r][0], 1e-12);
    EXPECT_NEAR(square.direction[r][1], tilted.direction[r][1], 1e-12);
  }
  EXPECT_NEAR(square.spacing[2], 2.5 * std::cos(15 * M_PI / 180), 1e-12);
  // The columns widen by the slices' slide along them: 5 slices x 2.5 x sin 15 = 3.2 mm, two more voxels.
  EXPECT_EQ(square.sizes, (std::array<int64_t, 3>{8, 12, 6}));
  // Every corner of the tilted grid lies inside the square one, whichever way the slices slide.
  for (double degrees : {15.0, -30.0}) {
    const VoxelGrid grid = Tilted(degrees, {8, 10, 6});
    const VoxelGrid covering = PlanSquareGrid(grid)->square;
    for (int corner = 0; corner < 8; ++corner) {
      const auto p = Position(grid, (corner & 1) * 7, (corner >> 1 & 1) * 9, (corner >> 2 & 1) * 5);
      for (int axis = 0; axis < 3; ++axis) {
        double along = 0;
        for (int r = 0; r < 3; ++r) along += (p[r] - covering.origin[r]) * covering.direction[r][axis];
        EXPECT_GE(along, -1e-9) << degrees;
        EXPECT_LE(along, (covering.sizes[axis] - 1) * covering.spacing[axis] + 1e-9) << degrees;
      }
    }
  }
  // Zero, collinear or non-finite axes cannot be squared.
  VoxelGrid broken = tilted;
  broken.direction = {{{1, 1, 0}, {0, 0.001, 0}, {0, 0, 1}}};
  EXPECT_FALSE(PlanSquareGrid(broken));
  broken.direction = {{{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  EXPECT_FALSE(PlanSquareGrid(broken));
  broken = tilted;
  broken.spacing[2] = NAN;
  EXPECT_FALSE(PlanSquareGrid(broken));
}

TEST(ShearedGrid, ResamplingKeepsWhatLiesWherePointsOutsideTakeTheFill) {
  // Trilinear interpolation is exact for a value linear in position, so every
  // square voxel inside the tilted grid must read the value of its own place.
  auto field = [](const std::array<double, 3>& p) { return 3 * p[0] - 2 * p[1] + 0.5 * p[2] + 7; };
  for (double degrees : {15.0, -30.0}) {
    const VoxelGrid tilted = Tilted(degrees, {6, 7, 5});
    std::vector<float> values;
    for (int k = 0; k < 5; ++k)
      for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 6; ++i) values.push_back(static_cast<float>(field(Position(tilted, i, j, k))));
    const VoxelGrid square = PlanSquareGrid(tilted)->square;
    const VoxelBuffer out = ResampleGrid(tilted, square, VoxelType::Float32,
                                         reinterpret_cast<const uint8_t*>(values.data()), -1000);
    const float* resampled = reinterpret_cast<const float*>(out.get());
    int inside = 0, outside = 0;
    for (int64_t k = 0; k < square.sizes[2]; ++k) {
      for (int64_t j = 0; j < square.sizes[1]; ++j) {
        for (int64_t i = 0; i < square.sizes[0]; ++i, ++resampled) {
          const auto p = Position(square, double(i), double(j), double(k));
          // Where the point falls in the tilted grid: its slice from z alone, then its column.
          const double slice = (p[2] - tilted.origin[2] - (p[1] - tilted.origin[1]) * std::tan(degrees * M_PI / 180)) / 2.5;
          const double column = (p[1] - tilted.origin[1]) / (2 * std::cos(degrees * M_PI / 180));
          const bool in = slice > -1e-6 && slice < 4 + 1e-6 && column > -1e-6 && column < 6 + 1e-6;
          if (in) {
            ++inside;
            EXPECT_NEAR(*resampled, field(p), 1e-3) << degrees << " at " << i << "," << j << "," << k;
          } else if (slice < -1e-3 || slice > 4 + 1e-3 || column < -1e-3 || column > 6 + 1e-3) {
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
  EXPECT_EQ(LowestValue(VoxelType::Float32, reinterpret_cast<const uint8_t*>(std::array<float, 3>{NAN, 4, -2}.data()), 3),
            -2);
}
