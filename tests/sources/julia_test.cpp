#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sources/julia.h"
#include "sources/quaternion.h"

// One thread, voxel by voxel in memory order, Norm() at every iteration.
static std::vector<float> SequentialJulia(int32_t nx, int32_t ny, int32_t nz, double zc) {
  std::vector<float> out(size_t{1} * nx * ny * nz);
  for (size_t e = 0; e < out.size(); ++e) {
    const int32_t i = e % nx, j = e / nx % ny, k = e / nx / ny;
    Quaternion q(j * (2.0 / ny) - 1, k * (2.0 / nz) - 1, zc, i * (2.0 / nx) - 1);
    double r = 0.0;
    int n = 1;
    for (; n <= 20 && r < 2.0; ++n) {
      q = Quaternion(q.y * q.z + q.w * q.x + q.x * q.w - q.z * q.y + 0.4,  // q * q + c
                     q.w * q.y + q.z * q.x + q.y * q.w - q.x * q.z - 0.4,
                     q.w * q.z + q.x * q.y + q.z * q.w - q.y * q.x - 0.4,
                     q.w * q.w - q.x * q.x - q.y * q.y - q.z * q.z - 0.2);
      r = q.Norm();
    }
    out[e] = static_cast<float>(n <= 20 ? 0.0 : r);
  }
  return out;
}

// The threads' split must neither change a value nor write past the grid.
TEST(JuliaVolume, ThreadedMatchesSequentialAndWritesNothingElse) {
  const size_t used = 41u * 37u * 39u;  // big enough to be split
  std::vector<float> v(used + 100, 42.0f);
  for (const int32_t empty : {0, -4}) BuildJuliaVolume(v.data(), 41, empty, 39, 0.15);
  EXPECT_EQ(std::count(v.begin(), v.end(), 42.0f), static_cast<long>(v.size()));
  BuildJuliaVolume(v.data(), 41, 37, 39, 0.15);
  EXPECT_EQ(std::count(v.begin() + used, v.end(), 42.0f), 100);
  EXPECT_TRUE(std::vector<float>(v.begin(), v.begin() + used) == SequentialJulia(41, 37, 39, 0.15));
}
