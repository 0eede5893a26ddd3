#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "render/smooth_gradients.h"

namespace {

using Vec = std::array<double, 3>;
using Field = std::function<double(int32_t, int32_t, int32_t)>;

struct Result {
  std::array<int32_t, 3> n;
  std::vector<uint16_t> texels;

  Vec Direction(int32_t x, int32_t y, int32_t z) const {
    const uint16_t* t = Texel(x, y, z);
    return {t[0] / 65535.0 * 2 - 1, t[1] / 65535.0 * 2 - 1, t[2] / 65535.0 * 2 - 1};
  }
  double Magnitude(int32_t x, int32_t y, int32_t z) const { return Texel(x, y, z)[3] / 65535.0; }
  const uint16_t* Texel(int32_t x, int32_t y, int32_t z) const {
    return &texels[4 * ((size_t{1} * z * n[1] + y) * n[0] + x)];
  }
};

std::vector<float> Sample(const std::array<int32_t, 3>& n, const Field& field) {
  std::vector<float> v(size_t{1} * n[0] * n[1] * n[2]);
  for (int32_t z = 0; z < n[2]; ++z)
    for (int32_t y = 0; y < n[1]; ++y)
      for (int32_t x = 0; x < n[0]; ++x)
        v[(size_t{1} * z * n[1] + y) * n[0] + x] = static_cast<float>(field(x, y, z));
  return v;
}

Result Gradients(const std::array<int32_t, 3>& n, const std::vector<float>& v,
                 const Vec& scale = {1, 1, 1}) {
  // Exact-size output: the sanitizer build flags any write past it.
  Result r{n, std::vector<uint16_t>(4 * v.size(), 1)};
  ComputeSmoothGradients16(v.data(), n[0], n[1], n[2], scale, r.texels.data());
  return r;
}

Vec Unit(Vec g) {
  const double length = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
  return {g[0] / length, g[1] / length, g[2] / length};
}

double Angle(const Vec& a, const Vec& b) {
  const Vec u = Unit(a), w = Unit(b);
  return std::acos(std::min(1.0, u[0] * w[0] + u[1] * w[1] + u[2] * w[2]));
}

template <typename Check>
void EveryVoxel(const std::array<int32_t, 3>& n, Check check) {
  for (int32_t z = 0; z < n[2]; ++z)
    for (int32_t y = 0; y < n[1]; ++y)
      for (int32_t x = 0; x < n[0]; ++x) check(x, y, z);
}

TEST(SmoothGradients, RampGivesItsExactDirectionEverywhereScaledOrNot) {
  // Large enough for both threads; every voxel checked, faces and corners too.
  const std::array<int32_t, 3> n{40, 36, 30};
  const Vec slope{0.004, 0.007, 0.01};
  const auto v = Sample(n, [&](int32_t x, int32_t y, int32_t z) {
    return 0.05 + slope[0] * x + slope[1] * y + slope[2] * z;
  });
  for (const Vec& scale : {Vec{1, 1, 1}, Vec{1, 0.5, 0.25}}) {
    const Result r = Gradients(n, v, scale);
    const Vec want = Unit({slope[0] * scale[0], slope[1] * scale[1], slope[2] * scale[2]});
    EveryVoxel(n, [&](int32_t x, int32_t y, int32_t z) {
      const Vec got = r.Direction(x, y, z);
      for (int a = 0; a < 3; ++a)
        ASSERT_NEAR(got[a], want[a], 1e-4) << x << "," << y << "," << z << " axis " << a;
      ASSERT_GT(r.Magnitude(x, y, z), 0.995) << x << "," << y << "," << z;
    });
  }
}

TEST(SmoothGradients, NoisyRampDeviatesLessThanCentralDifferences) {
  const std::array<int32_t, 3> n{32, 32, 32};
  std::mt19937 random(7);
  std::uniform_real_distribution<double> noise(-0.02, 0.02);
  const auto v =
      Sample(n, [&](int32_t x, int32_t, int32_t) { return 0.3 + 0.01 * x + noise(random); });
  const Result r = Gradients(n, v);
  const auto at = [&](int32_t x, int32_t y, int32_t z) {
    return double{v[(size_t{1} * z * n[1] + y) * n[0] + x]};
  };
  double smooth = 0, plain = 0;
  int count = 0;
  EveryVoxel(n, [&](int32_t x, int32_t y, int32_t z) {
    if (x == 0 || y == 0 || z == 0 || x == n[0] - 1 || y == n[1] - 1 || z == n[2] - 1) return;
    const Vec central{at(x + 1, y, z) - at(x - 1, y, z), at(x, y + 1, z) - at(x, y - 1, z),
                      at(x, y, z + 1) - at(x, y, z - 1)};
    plain += Angle(central, {1, 0, 0});
    smooth += Angle(r.Direction(x, y, z), {1, 0, 0});
    ++count;
  });
  // The 1-2-1 weights over nine rows leave 0.375 of the noise's spread.
  EXPECT_LT(smooth / count, 0.5 * plain / count)
      << "mean deviation " << smooth / count << " against " << plain / count << " radians";
}

TEST(SmoothGradients, FacesThinAxesAndFlatVolumes) {
  // Two voxels along x: one-sided there; one along y: no slope.
  const std::array<int32_t, 3> thin{2, 1, 5};
  const Result r = Gradients(thin, Sample(thin, [](int32_t x, int32_t, int32_t z) {
    return 0.2 + 0.3 * x + 0.1 * z;
  }));
  const Vec want = Unit({0.3, 0, 0.1});
  EveryVoxel(thin, [&](int32_t x, int32_t y, int32_t z) {
    for (int a = 0; a < 3; ++a) ASSERT_NEAR(r.Direction(x, y, z)[a], want[a], 1e-4);
  });
  // Flat, and a single voxel: the middle of the range and no magnitude.
  for (const std::array<int32_t, 3>& n : {std::array<int32_t, 3>{5, 6, 7}, {1, 1, 1}}) {
    const Result flat = Gradients(n, Sample(n, [](int32_t, int32_t, int32_t) { return 0.5; }));
    EveryVoxel(n, [&](int32_t x, int32_t y, int32_t z) {
      const uint16_t* t = flat.Texel(x, y, z);
      ASSERT_EQ(t[0], 32768);
      ASSERT_EQ(t[1], 32768);
      ASSERT_EQ(t[2], 32768);
      ASSERT_EQ(t[3], 0);
    });
  }
}

TEST(SmoothGradients, MagnitudeIsOverTheSteepestVoxel) {
  // A slope of 0.03 per voxel along z up to z = 20, then 0.01: the steepest
  // voxels lie in the planes of the first thread.
  const std::array<int32_t, 3> n{30, 30, 40};
  const Result r = Gradients(n, Sample(n, [](int32_t, int32_t, int32_t z) {
    return z <= 20 ? 0.03 * z : 0.6 + 0.01 * (z - 20);
  }));
  EXPECT_NEAR(r.Magnitude(4, 2, 10), 1.0, 1e-4);
  EXPECT_NEAR(r.Magnitude(29, 0, 30), 1.0 / 3.0, 2e-3);
  EXPECT_NEAR(r.Magnitude(0, 29, 20), 2.0 / 3.0, 2e-3);  // the kink: (0.03 + 0.01) / 2
}

}  // namespace
