#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "render/gradients.h"

namespace {

// The step at coordinate k of an axis of n voxels, written out for axes under
// 8 voxels: the plain rule, cut only where it would read past the far face.
int32_t Step(int32_t k, int32_t n) {
  static const int32_t kShort[5][5] = {{0}, {0, 1}, {0, 1, 1}, {0, 1, 2, 1}, {0, 1, 2, 2, 0}};
  if (n < 8) return kShort[n - 3][k - 1];
  return k < 5 ? k - 1 : k > n - 6 ? n - 2 - k : 4;
}

// The gradients one voxel and one component at a time, each axis's
// difference times its scale.
std::vector<float> PlainLoop(const std::vector<float>& v, const int32_t* n, const double* scale) {
  std::vector<float> out(3 * v.size(), 0.0f);
  for (int32_t z = 1; z < n[2] - 1; ++z)
    for (int32_t y = 1; y < n[1] - 1; ++y)
      for (int32_t x = 1; x < n[0] - 1; ++x) {
        const int32_t at[3] = {x, y, z}, stride[3] = {1, n[0], n[0] * n[1]};
        const int32_t i = x + stride[1] * y + stride[2] * z;
        for (int a = 0; a < 3; ++a) {
          const int32_t d = Step(at[a], n[a]) * stride[a];
          const double difference = scale[a] * (double{v[i + d]} - v[i - d]);
          out[3 * i + a] = static_cast<float>((difference + 1.0) * 0.5);
        }
      }
  return out;
}

TEST(Gradients, EveryComponentMatchesThePlainLoopOnShortAxesAndOnBothThreadsScaledOrNot) {
  // Every shape up to 9 per side, then three of 32768 voxels or more, split between two threads;
  // every other one with voxels of three lengths.
  const int32_t big[3][3] = {{40, 32, 30}, {33, 35, 29}, {7, 70, 80}};
  for (int32_t s = 0; s < 9 * 9 * 9 + 3; ++s) {
    const int32_t small[3] = {1 + s % 9, 1 + s / 9 % 9, 1 + s / 81};
    const int32_t* n = s < 729 ? small : big[s - 729];
    // Exact-size buffers: the sanitizer build flags any read past them.
    std::vector<float> v(size_t{1} * n[0] * n[1] * n[2]), got(3 * v.size(), -1.0f);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i * 37 % 101) / 100.0f;
    const std::array<double, 3> scale = {1, s % 2 ? 0.5 : 1, s % 2 ? 0.25 : 1};
    ComputeGradients(v.data(), n[0], n[1], n[2], scale, got.data());
    ASSERT_EQ(got, PlainLoop(v, n, scale.data())) << n[0] << "x" << n[1] << "x" << n[2];
  }
}

// Differences per unit of length over the finest axis.
TEST(Gradients, AxisScalesFollowTheVoxelLengths) {
  using Scale = std::array<double, 3>;
  EXPECT_EQ(GradientAxisScale({32, 16, 16}, {1, 0.5f, 1}), (Scale{1, 1, 0.5}));
  EXPECT_EQ(GradientAxisScale({64, 32, 16}, {1, 0.5f, 0.25f}), (Scale{1, 1, 1}));
  EXPECT_EQ(GradientAxisScale({16, 0, 8}, {1, 1, 0.5f}), (Scale{1, 1, 1}));
  EXPECT_EQ(GradientAxisScale({16, 16, 8}, {1, 0, 1}), (Scale{1, 1, 1}));
}

TEST(Gradients, SizesThatCannotBeHeldAreRefused) {
  // The last count wraps to 0 in 64 bits.
  const int32_t refused[][3] = {{0, 2, 2}, {2, -2, 2}, {INT32_MAX, INT32_MAX, 2},
                                {1 << 22, 1 << 22, 1 << 22}};
  std::vector<float> untouched(12, 9.0f);
  for (const auto& n : refused) {
    EXPECT_EQ(AllocateGradientBuffer(n[0], n[1], n[2]), nullptr);
    ComputeGradients(untouched.data(), n[0], n[1], n[2], untouched.data());
  }
  EXPECT_EQ(untouched, std::vector<float>(12, 9.0f));
}

}  // namespace
