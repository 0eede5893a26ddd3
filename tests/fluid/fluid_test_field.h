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

  TestField(int32_t nx, int32_t ny, int32_t nz, float fill = 0.0f)
      : at{nx, ny, nz}, data(at.Size(), fill) {}

  float* get() { return data.data(); }
  float& operator()(int32_t i, int32_t j, int32_t k) { return data[at(i, j, k)]; }

  // Uniform values in [lo, hi], border included, from a fixed seed.
  TestField& Randomize(uint32_t seed, float lo, float hi) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(lo, hi);
    for (float& v : data) v = dist(rng);
    return *this;
  }

  bool SameBits(const TestField& other) const {
    return data.size() == other.data.size() &&
           std::memcmp(data.data(), other.data.data(), data.size() * sizeof(float)) == 0;
  }
};

// Number of border indices of a cell: 0 interior, 1 face, 2 edge, 3 corner.
inline int BorderIndices(const fluid::Grid& g, int32_t i, int32_t j, int32_t k) {
  return (i == 0 || i == g.nx + 1) + (j == 0 || j == g.ny + 1) + (k == 0 || k == g.nz + 1);
}
