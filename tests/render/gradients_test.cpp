#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "render/gradients.h"

namespace {

size_t Voxels(int32_t nx, int32_t ny, int32_t nz) { return size_t{1} * nx * ny * nz; }

// One voxel at a time, straight from the rule, in the original visiting order.
std::vector<float> ReferenceGradients(const std::vector<float>& v, int32_t nx, int32_t ny,
                                      int32_t nz) {
  std::vector<float> out(3 * Voxels(nx, ny, nz), 0.0f);
  const size_t stride[3] = {1, size_t(nx), size_t(nx) * ny};
  for (int32_t z = 1; z < nz - 1; ++z)
    for (int32_t y = 1; y < ny - 1; ++y)
      for (int32_t x = 1; x < nx - 1; ++x) {
        const int32_t d[3] = {GradientStep(x, nx), GradientStep(y, ny), GradientStep(z, nz)};
        const size_t i = x + nx * (y + size_t{1} * ny * z);
        for (int c = 0; c < 3; ++c)
          out[3 * i + c] = static_cast<float>(
              (double{v[i + d[c] * stride[c]]} - double{v[i - d[c] * stride[c]]} + 1) * 0.5);
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
  for (int32_t n = 3; n <= 40; ++n)
    for (int32_t k = 1; k <= n - 2; ++k) {
      const int32_t d = GradientStep(k, n);
      const int32_t rule = k < 5 ? k - 1 : (k > n - 6 ? n - 2 - k : 4);
      EXPECT_TRUE((n < 8 || d == rule) && k - d >= 0 && k + d <= n - 1) << n << " " << k;
    }
  EXPECT_EQ(GradientStep(4, 8), 3);  // reads the border voxel 7: still inside
}

TEST(Gradients, ConstantVolumeAndRamp) {
  const int32_t nx = 20, ny = 18, nz = 16;
  const std::vector<float> g = Gradients(std::vector<float>(Voxels(nx, ny, nz), 0.3f), nx, ny, nz);
  for (size_t i = 0; i < g.size(); ++i) {
    const int32_t x = i / 3 % nx, y = i / 3 / nx % ny, z = i / 3 / nx / ny;
    const bool border = x % (nx - 1) == 0 || y % (ny - 1) == 0 || z % (nz - 1) == 0;
    ASSERT_EQ(g[i], border ? 0.0f : 0.5f) << i;
  }
  // A ramp of 1/255 a voxel along x: eight steps in the middle, none next to the border.
  const int32_t n = 24;
  std::vector<float> v(Voxels(n, n, n));
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i % n) / 255.0f;
  const std::vector<float> ramp = Gradients(v, n, n, n);
  auto gx = [&](int32_t x) { return ramp[3 * (x + n * (9 + n * 13))]; };
  for (int32_t x = 5; x <= n - 6; ++x) EXPECT_NEAR(gx(x), 0.515686f, 1e-6) << x;
  EXPECT_EQ(gx(1), 0.5f);
  EXPECT_EQ(gx(n - 2), 0.5f);
}

TEST(Gradients, ThreadedPassMatchesTheVoxelByVoxelRule) {
  const int32_t nx = 45, ny = 38, nz = 41;  // big enough to be split
  std::mt19937 random(7);
  std::vector<float> v(Voxels(nx, ny, nz));
  for (float& f : v) f = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
  const std::vector<float> got = Gradients(v, nx, ny, nz);
  const std::vector<float> expected = ReferenceGradients(v, nx, ny, nz);
  EXPECT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(float)), 0);
}

TEST(Gradients, TinyAndShortVolumesReadOnlyTheirOwnVoxels) {
  // Exact-size allocations: the sanitizer build flags any read past them.
  for (int32_t s = 0; s < 9 * 9 * 9; ++s) {
    const int32_t nx = 1 + s % 9, ny = 1 + s / 9 % 9, nz = 1 + s / 81;
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
  EXPECT_EQ(AllocateGradientBuffer(0, 10, 10), nullptr);  // overflowing counts: renderer test
  EXPECT_EQ(AllocateGradientBuffer(10, -1, 10), nullptr);
  for (const int32_t side : {4, 172}) {  // small, and huge-page sized
    float* buffer = AllocateGradientBuffer(side, side, side);
    ASSERT_NE(buffer, nullptr);
    buffer[0] = buffer[3 * Voxels(side, side, side) - 1] = 1.0f;
    ReleaseGradientBuffer(buffer);
  }
}
