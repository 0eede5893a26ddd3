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

double Length(const Vec& v) { return std::hypot(v[0], v[1], v[2]); }

// A volume sampled from `field` and its gradient texels, in exact-size
// buffers so that the sanitizer build flags any access past them.
struct Gradients {
  Gradients(const Size& n, const std::function<double(int32_t, int32_t, int32_t)>& field,
            const Vec& scale = {1, 1, 1})
      : volume(size_t{1} * n[0] * n[1] * n[2]), texels(4 * volume.size()) {
    size_t i = 0;
    for (int32_t z = 0; z < n[2]; ++z)
      for (int32_t y = 0; y < n[1]; ++y)
        for (int32_t x = 0; x < n[0]; ++x) volume[i++] = field(x, y, z);
    largest = ComputeSmoothGradients16(volume.data(), n[0], n[1], n[2], scale, texels.data());
  }
  // Voxel i's direction as the shader decodes it.
  Vec Direction(size_t i) const {
    const uint16_t* t = &texels[4 * i];
    return {t[0] / 32767.5 - 1, t[1] / 32767.5 - 1, t[2] / 32767.5 - 1};
  }

  std::vector<float> volume;
  std::vector<uint16_t> texels;
  float largest;
};

TEST(SmoothGradients, RampsAndFlatsGiveTheirExactSlopeEverywhere) {
  // Large enough for both threads, faces, corners and scales included; two
  // voxels along x (one-sided) and one along y (no slope there); flat ones,
  // which sit in the middle without magnitude.
  const struct Ramp { Size n; Vec slope, scale; } ramps[] = {
      {{40, 36, 30}, {0.004, 0.007, 0.01}, {1, 1, 1}},
      {{40, 36, 30}, {0.004, 0.007, 0.01}, {1, 0.5, 0.25}},
      {{2, 1, 5}, {0.3, 0.2, 0.1}, {1, 1, 1}},
      {{5, 6, 7}, {0, 0, 0}, {1, 1, 1}},
      {{1, 1, 1}, {0, 0, 0}, {1, 1, 1}}};
  for (const Ramp& r : ramps) {
    const Gradients g(r.n, [&](int32_t x, int32_t y, int32_t z) {
      return 0.05 + r.slope[0] * x + r.slope[1] * y + r.slope[2] * z;
    }, r.scale);
    Vec scaled;
    for (int a = 0; a < 3; ++a) scaled[a] = r.n[a] > 1 ? r.slope[a] * r.scale[a] : 0.0;
    const double length = Length(scaled), magnitude = length / Length(r.scale);
    for (size_t i = 0; i < g.volume.size(); ++i) {
      for (int a = 0; a < 3; ++a)
        ASSERT_NEAR(g.Direction(i)[a], length > 0 ? scaled[a] / length : 0.0, 1e-4) << i;
      ASSERT_NEAR(g.texels[4 * i + 3] / 65535.0, magnitude, 1e-5) << i;
    }
    EXPECT_NEAR(g.largest, magnitude, 1e-5);
  }
}

TEST(SmoothGradients, LargestMagnitudeComesFromEitherThread) {
  // Steepest in the first thread's planes (z below 20), then in the second's.
  for (const double below : {0.02, 0.01}) {
    const Gradients g({30, 30, 40}, [&](int32_t, int32_t, int32_t z) {
      return z < 20 ? below * z : 20 * below + (0.03 - below) * (z - 20);
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
  const auto across = [&](size_t i, size_t d) { return g.volume[i + d] - g.volume[i - d]; };
  double smooth = 0, plain = 0;
  for (size_t i = 0; i < g.volume.size(); ++i) {
    // Central differences need both sides.
    if (i % 32 % 31 == 0 || i / 32 % 32 % 31 == 0 || i / 1024 % 31 == 0) continue;
    plain += angle({across(i, 1), across(i, 32), across(i, 32 * 32)});
    smooth += angle(g.Direction(i));
  }
  // The 1-2-1 weights over nine rows leave 0.375 of the noise's spread.
  EXPECT_LT(smooth, 0.5 * plain);
}

}  // namespace
