// A bordered field of explicit sizes for the solver tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "sources/fluid_grid.h"

struct TestField {
  fluid::Grid at;
  std::vector<float> data;

  explicit TestField(fluid::Grid g, float fill = 0.0f) : at(g), data(at.Size(), fill) {}
  float* get() { return data.data(); }
  float& operator()(int32_t i, int32_t j, int32_t k) { return data[at(i, j, k)]; }

  // Uniform in [lo, hi], border included, from a fixed seed.
  TestField& Randomize(uint32_t seed, float lo, float hi) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(lo, hi);
    for (float& v : data) v = dist(rng);
    return *this;
  }

  std::vector<float> Interior() const {
    std::vector<float> out;
    for (int32_t k = 1; k <= at.nz; ++k)
      for (int32_t j = 1; j <= at.ny; ++j)
        for (int32_t i = 1; i <= at.nx; ++i) out.push_back(data[at(i, j, k)]);
    return out;
  }

  // Bitwise, so that -0.0 and NaN patterns count too.
  bool SameBits(const TestField& other) const {
    return std::memcmp(data.data(), other.data.data(), data.size() * sizeof(float)) == 0;
  }
};
