#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/gradients.h"

namespace {

size_t Voxels(int32_t nx, int32_t ny, int32_t nz) { return size_t{1} * nx * ny * nz; }

std::vector<float> Gradients(const std::vector<float>& v, int32_t nx, int32_t ny, int32_t nz) {
  std::vector<float> out(3 * Voxels(nx, ny, nz), -1.0f);
  ComputeGradients(v.data(), nx, ny, nz, out.data());
  return out;
}

}  // namespace

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
