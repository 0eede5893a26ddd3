// A head-sized test volume for the CPU passes: a noisy ball, values in [0, 1].
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

inline std::vector<float> NoisyBall(int32_t nx, int32_t ny, int32_t nz) {
  std::vector<float> v(static_cast<size_t>(nx) * ny * nz);
  std::mt19937 random(1);
  std::uniform_real_distribution<float> noise(-0.03f, 0.03f);
  size_t i = 0;
  for (int32_t z = 0; z < nz; ++z)
    for (int32_t y = 0; y < ny; ++y)
      for (int32_t x = 0; x < nx; ++x, ++i) {
        const float dx = 2.0f * x / nx - 1, dy = 2.0f * y / ny - 1, dz = 2.0f * z / nz - 1;
        const float inside = 0.8f - std::sqrt(dx * dx + dy * dy + dz * dz);
        v[i] = std::fmin(std::fmax(inside + noise(random), 0.0f), 1.0f);
      }
  return v;
}
