#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/gradients.h"

namespace {

size_t Voxels(int32_t nx, int32_t ny, int32_t nz) { return size_t{1} * nx * ny * nz; }

// One voxel at a time, straight from the rule, in the original visiting order.
std::vector<float> ReferenceGradients(const std::vector<float>& v, int32_t nx, int32_t ny,
                                      int32_t nz) {
  std::vector<float> out(3 * Voxels(nx, ny, nz), 0.0f);
  auto at = [&](int32_t x, int32_t y, int32_t z) { return double{v[x + nx * (y + ny * z)]}; };
  for (int32_t z = 1; z < nz - 1; ++z)
    for (int32_t y = 1; y < ny - 1; ++y)
      for (int32_t x = 1; x < nx - 1; ++x) {
        const int32_t dx = GradientStep(x, nx), dy = GradientStep(y, ny), dz = GradientStep(z, nz);
        float* g = &out[3 * (x + nx * (y + size_t{1} * ny * z))];
        g[0] = static_cast<float>((at(x + dx, y, z) - at(x - dx, y, z) + 1) * 0.5);
        g[1] = static_cast<float>((at(x, y + dy, z) - at(x, y - dy, z) + 1) * 0.5);
        g[2] = static_cast<float>((at(x, y, z + dz) - at(x, y, z - dz) + 1) * 0.5);
      }
  return out;
}

std::vector<float> Gradients(const std::vector<float>& v, int32_t nx, int32_t ny, int32_t nz) {
  std::vector<float> out(3 * Voxels(nx, ny, nz), -1.0f);
  ComputeGradients(v.data(), nx, ny, nz, out.data());
  return out;
}

}  // namespace

TEST(GradientStep, KeepsTheRuleFromEightVoxelsUpAndStaysInsideShortAxes) {
  for (int32_t n = 3; n <= 40; ++n) {
    for (int32_t k = 1; k <= n - 2; ++k) {
      const int32_t d = GradientStep(k, n);
      const int32_t rule = k < 5 ? k - 1 : (k > n - 6 ? n - 2 - k : 4);
      if (n >= 8) {
        EXPECT_EQ(d, rule) << "n=" << n << " k=" << k;
      }
      EXPECT_GE(k - d, 0) << "n=" << n << " k=" << k;
      EXPECT_LE(k + d, n - 1) << "n=" << n << " k=" << k;
    }
  }
  EXPECT_EQ(GradientStep(4, 8), 3);  // reads the border voxel 7: still inside
  EXPECT_LE(GradientStep(4, 7), 2);  // the bare rule would read voxel 7 of 7
}

TEST(Gradients, ConstantVolumeIsHalfInsideAndZeroOnTheBorder) {
  const int32_t nx = 20, ny = 18, nz = 16;
  const std::vector<float> g = Gradients(std::vector<float>(Voxels(nx, ny, nz), 0.3f), nx, ny, nz);
  for (int32_t z = 0; z < nz; ++z)
    for (int32_t y = 0; y < ny; ++y)
      for (int32_t x = 0; x < nx; ++x) {
        const bool border = x % (nx - 1) == 0 || y % (ny - 1) == 0 || z % (nz - 1) == 0;
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(g[3 * (x + nx * (y + ny * z)) + c], border ? 0.0f : 0.5f) << x << y << z;
      }
}

TEST(Gradients, RampAlongXRisesByEightStepsInTheMiddle) {
  const int32_t n = 24, y = 9, z = 13;
  std::vector<float> v(Voxels(n, n, n));
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i % n) / 255.0f;
  const std::vector<float> g = Gradients(v, n, n, n);
  auto gx = [&](int32_t x, int c) { return g[3 * (x + n * (y + n * z)) + c]; };
  for (int32_t x = 5; x <= n - 6; ++x) {
    EXPECT_NEAR(gx(x, 0), 0.515686f, 1e-6) << x;
    EXPECT_EQ(gx(x, 1), 0.5f);
    EXPECT_EQ(gx(x, 2), 0.5f);
  }
  EXPECT_EQ(gx(1, 0), 0.5f);  // step 0 next to the border
  EXPECT_EQ(gx(n - 2, 0), 0.5f);
  EXPECT_NEAR(gx(3, 0), (4.0 / 255 + 1) * 0.5, 1e-6);  // step 2 near either face
  EXPECT_NEAR(gx(n - 4, 0), (4.0 / 255 + 1) * 0.5, 1e-6);
}

TEST(Gradients, ThreadedPassMatchesTheVoxelByVoxelRule) {
  const int32_t nx = 45, ny = 38, nz = 41;  // big enough to be split
  std::mt19937 random(7);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  std::vector<float> v(Voxels(nx, ny, nz));
  for (float& f : v) f = value(random);
  const std::vector<float> got = Gradients(v, nx, ny, nz);
  const std::vector<float> expected = ReferenceGradients(v, nx, ny, nz);
  EXPECT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(float)), 0);
}

TEST(Gradients, TinyAndShortVolumesReadOnlyTheirOwnVoxels) {
  // Exact-size allocations: the sanitizer build flags any read past them.
  for (int32_t nx = 1; nx <= 9; ++nx)
    for (int32_t ny = 1; ny <= 9; ++ny)
      for (int32_t nz = 1; nz <= 9; ++nz) {
        std::vector<float> v(Voxels(nx, ny, nz));
        for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i % 7) / 7.0f;
        for (const float f : Gradients(v, nx, ny, nz))
          ASSERT_TRUE(f >= 0.0f && f <= 1.0f) << nx << "x" << ny << "x" << nz;
      }
  std::vector<float> untouched(12, 9.0f);
  ComputeGradients(untouched.data(), 0, 2, 2, untouched.data());
  ComputeGradients(untouched.data(), 2, -2, 2, untouched.data());
  EXPECT_EQ(untouched, std::vector<float>(12, 9.0f));
}

TEST(GradientBuffer, RefusesSizesItCannotHold) {
  EXPECT_EQ(AllocateGradientBuffer(0, 10, 10), nullptr);
  EXPECT_EQ(AllocateGradientBuffer(10, -1, 10), nullptr);
  const int32_t huge = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(AllocateGradientBuffer(huge, huge, huge), nullptr);  // the count overflows
  for (const int32_t side : {4, 172}) {  // small, and huge-page sized
    float* buffer = AllocateGradientBuffer(side, side, side);
    ASSERT_NE(buffer, nullptr);
    buffer[0] = buffer[3 * Voxels(side, side, side) - 1] = 1.0f;
    ReleaseGradientBuffer(buffer);
  }
}
