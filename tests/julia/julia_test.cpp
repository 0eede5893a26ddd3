#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "sources/julia.h"
#include "sources/quaternion.h"

namespace {

// One thread, i outermost, Norm() at every iteration.
std::vector<float> SequentialJulia(int32_t nx, int32_t ny, int32_t nz, double zc) {
  std::vector<float> out(size_t{1} * nx * ny * nz);
  const Quaternion c(0.4, -0.4, -0.4, -0.2);
  for (int32_t i = 0; i < nx; ++i)
    for (int32_t j = 0; j < ny; ++j)
      for (int32_t k = 0; k < nz; ++k) {
        Quaternion q(j * (2.0 / ny) - 1, k * (2.0 / nz) - 1, zc, i * (2.0 / nx) - 1);
        double r = 0.0;
        int n = 1;
        for (; n <= 20 && r < 2.0; ++n) {
          const Quaternion a = q;
          q = Quaternion(a.y * q.z + a.w * q.x + a.x * q.w - a.z * q.y + c.x,
                         a.w * q.y + a.z * q.x + a.y * q.w - a.x * q.z + c.y,
                         a.w * q.z + a.x * q.y + a.z * q.w - a.y * q.x + c.z,
                         a.w * q.w - a.x * q.x - a.y * q.y - a.z * q.z + c.w);
          r = q.Norm();
        }
        out[i + size_t{1} * nx * (j + size_t{1} * ny * k)] = static_cast<float>(n <= 20 ? 0.0 : r);
      }
  return out;
}

}  // namespace

TEST(JuliaVolume, StartupGridValues) {
  std::vector<float> v(170u * 170u * 170u);
  BuildJuliaVolume(v.data(), 170, 170, 170, 0.0);
  auto at = [&](int i, int j, int k) { return v[i + 170 * (j + 170 * k)]; };
  EXPECT_EQ(at(0, 0, 0), 0.0f);
  EXPECT_NEAR(at(85, 85, 85), 0.806, 5e-4);
  EXPECT_NEAR(at(60, 85, 85), 0.859, 5e-4);  // first axis drives w, second x
  EXPECT_EQ(at(85, 60, 85), 0.0f);
}

TEST(JuliaVolume, ThreadedMatchesSequentialBitForBit) {
  std::vector<float> out(41u * 37u * 39u);  // big enough to be split
  BuildJuliaVolume(out.data(), 41, 37, 39, 0.15);
  const std::vector<float> expected = SequentialJulia(41, 37, 39, 0.15);
  EXPECT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0);
}

TEST(JuliaVolume, WritesOnlyItsOwnGrid) {
  std::vector<float> out(1200 + 100, 42.0f);
  for (const int32_t bad : {0, -4}) BuildJuliaVolume(out.data(), 4, bad, 4, 0.0);
  EXPECT_EQ(out, std::vector<float>(1300, 42.0f));
  BuildJuliaVolume(out.data(), 20, 6, 10, 0.0);
  for (size_t n = 0; n < out.size(); ++n) ASSERT_EQ(out[n] == 42.0f, n >= 1200) << n;
}
