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
using Size = std::array<int32_t, 3>;

double Length(const Vec& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

struct Gradients {
  // Exact-size buffers: the sanitizer build flags any access past them.
  Gradients(const Size& size, const std::function<double(int32_t, int32_t, int32_t)>& field,
            const Vec& scale = {1, 1, 1})
      : n(size), volume(size_t{1} * n[0] * n[1] * n[2]), texels(4 * volume.size()) {
    ForEach([&](int32_t x, int32_t y, int32_t z) { volume[Index(x, y, z)] = field(x, y, z); });
    largest = ComputeSmoothGradients16(volume.data(), n[0], n[1], n[2], scale, texels.data());
  }
  size_t Index(int32_t x, int32_t y, int32_t z) const {
    return (size_t{1} * z * n[1] + y) * n[0] + x;
  }
  double At(int32_t x, int32_t y, int32_t z) const { return volume[Index(x, y, z)]; }
  Vec Direction(int32_t x, int32_t y, int32_t z) const {
    const uint16_t* t = &texels[4 * Index(x, y, z)];
    return {t[0] / 32767.5 - 1, t[1] / 32767.5 - 1, t[2] / 32767.5 - 1};
  }
  double Magnitude(int32_t x, int32_t y, int32_t z) const {
    return texels[4 * Index(x, y, z) + 3] / 65535.0;
  }
  template <typename Fn>
  void ForEach(Fn fn) const {
    for (int32_t z = 0; z < n[2]; ++z)
      for (int32_t y = 0; y < n[1]; ++y)
        for (int32_t x = 0; x < n[0]; ++x) fn(x, y, z);
  }

  Size n;
  std::vector<float> volume;
  std::vector<uint16_t> texels;
  float largest;
};

TEST(SmoothGradients, RampsGiveTheirExactSlopeEverywhere) {
  // Large enough for both threads; faces, corners and scales included.
  const Vec slope{0.004, 0.007, 0.01};
  for (const Vec& scale : {Vec{1, 1, 1}, Vec{1, 0.5, 0.25}}) {
    const Gradients g(
        {40, 36, 30},
        [&](int32_t x, int32_t y, int32_t z) {
          return 0.05 + slope[0] * x + slope[1] * y + slope[2] * z;
        },
        scale);
    const Vec scaled{slope[0] * scale[0], slope[1] * scale[1], slope[2] * scale[2]};
    const double magnitude = Length(scaled) / Length(scale);
    g.ForEach([&](int32_t x, int32_t y, int32_t z) {
      for (int a = 0; a < 3; ++a)
        ASSERT_NEAR(g.Direction(x, y, z)[a], scaled[a] / Length(scaled), 1e-4)
            << x << "," << y << "," << z;
      ASSERT_NEAR(g.Magnitude(x, y, z), magnitude, 1e-5);
    });
    EXPECT_NEAR(g.largest, magnitude, 1e-5);
  }
  // Two voxels along x: one-sided; one voxel along y: no slope.
  const Gradients thin({2, 1, 5},
                       [](int32_t x, int32_t, int32_t z) { return 0.2 + 0.3 * x + 0.1 * z; });
  thin.ForEach([&](int32_t x, int32_t y, int32_t z) {
    const Vec want{0.3 / Length({0.3, 0, 0.1}), 0, 0.1 / Length({0.3, 0, 0.1})};
    for (int a = 0; a < 3; ++a) ASSERT_NEAR(thin.Direction(x, y, z)[a], want[a], 1e-4);
  });
}

TEST(SmoothGradients, FlatVolumesSitInTheMiddleWithoutMagnitude) {
  for (const Size& n : {Size{5, 6, 7}, Size{1, 1, 1}}) {
    const Gradients g(n, [](int32_t, int32_t, int32_t) { return 0.5; });
    EXPECT_EQ(g.largest, 0.0f);
    g.ForEach([&](int32_t x, int32_t y, int32_t z) {
      const uint16_t* t = &g.texels[4 * g.Index(x, y, z)];
      ASSERT_EQ(std::vector<uint16_t>(t, t + 4), (std::vector<uint16_t>{32768, 32768, 32768, 0}));
    });
  }
}

TEST(SmoothGradients, LargestMagnitudeComesFromEitherThread) {
  // Steepest in the first thread's planes (z below 20), then in the second's.
  for (const bool steepFirst : {true, false}) {
    const double below = steepFirst ? 0.02 : 0.01, above = 0.03 - below;
    const Gradients g({30, 30, 40}, [&](int32_t, int32_t, int32_t z) {
      return z < 20 ? below * z : 20 * below + above * (z - 20);
    });
    EXPECT_NEAR(g.largest, 0.02 / std::sqrt(3.0), 1e-5);
  }
}

TEST(SmoothGradients, NoisyRampDeviatesLessThanCentralDifferences) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> noise(-0.02, 0.02);
  const Gradients g({32, 32, 32},
                    [&](int32_t x, int32_t, int32_t) { return 0.3 + 0.01 * x + noise(random); });
  const auto angle = [](const Vec& v) { return std::acos(std::min(1.0, v[0] / Length(v))); };
  double smooth = 0, plain = 0;
  g.ForEach([&](int32_t x, int32_t y, int32_t z) {
    if (x % 31 == 0 || y % 31 == 0 || z % 31 == 0) return;  // central differences need both sides
    plain += angle({g.At(x + 1, y, z) - g.At(x - 1, y, z), g.At(x, y + 1, z) - g.At(x, y - 1, z),
                    g.At(x, y, z + 1) - g.At(x, y, z - 1)});
    smooth += angle(g.Direction(x, y, z));
  });
  // The 1-2-1 weights over nine rows leave 0.375 of the noise's spread.
  EXPECT_LT(smooth, 0.5 * plain);
}

}  // namespace
