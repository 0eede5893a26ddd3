#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "sources/fluid_isa.h"
#include "sources/fluid_solver.h"
#include "sources/fluid_workers.h"
#include "tests/sources/fluid_oracle.h"

namespace {

using Field = std::vector<float>;

// u, v, w, density, then their four sources, random borders included, so
// every pass must also leave edges alone and build faces and corners alike.
// The strong stir sends back-traces off the grid on every axis. The density
// diffuses at rate -0 and its upper half is -0: -0 + (-0 * sum) must stay -0.
void ExpectThreeStepsMatch(int32_t nx, int32_t ny, int32_t nz) {
  const size_t n = size_t(nx + 2) * size_t(ny + 2) * size_t(nz + 2);
  const size_t centre = nx / 2 + 1 + size_t(nx + 2) * (ny / 2 + 1 + size_t(ny + 2) * (nz / 2 + 1));
  std::mt19937 rng(31);
  auto fill = [&](Field& f, bool density) {
    std::uniform_real_distribution<float> dist(density ? 0.0f : -0.1f, density ? 5.0f : 0.1f);
    for (size_t e = 0; e < n; ++e) f[e] = density && e >= n / 2 ? -0.0f : dist(rng);
  };
  auto run = [&](std::vector<Field>& v, auto stepVelocity, auto stepDensity) {
    stepVelocity(nx, ny, nz, v[0].data(), v[1].data(), v[2].data(), v[4].data(), v[5].data(),
                 v[6].data(), 0.005f, 0.4f);
    stepDensity(nx, ny, nz, v[3].data(), v[7].data(), v[0].data(), v[1].data(), v[2].data(), -0.0f,
                0.4f);
  };
  std::vector<Field> mine(8, Field(n));
  for (int f = 0; f < 4; ++f) fill(mine[f], f == 3);
  std::vector<Field> ref = mine;
  for (int step = 0; step < 3; ++step) {
    for (int f = 4; f < 8; ++f) fill(mine[f], f == 7);
    mine[4][centre] = 10.0f, mine[7][centre] = 100.0f;
    for (int f = 4; f < 8; ++f) ref[f] = mine[f];
    run(ref, oracle::StepVelocity, oracle::StepDensity);
    run(mine, StepVelocity, StepDensity);
  }
  EXPECT_NE(ref[0], Field(n)) << "the flow died out";
  // Bitwise, so that -0.0 and NaN patterns count too.
  for (int f = 0; f < 8; ++f)
    EXPECT_EQ(std::memcmp(mine[f].data(), ref[f].data(), n * sizeof(float)), 0) << "field " << f;
}

// Every instruction-set level this processor has, 1 to 4 threads, on cubic,
// non-cubic and single-cell grids; the tall thin ones take the in-place
// relaxation, whose diagonal copy would be many times the field.
TEST(FluidSolver, MatchesTheReferenceBitForBitAtEveryLevelAndThreadCount) {
  const int32_t kGrids[][3] = {{16, 16, 16}, {17, 13, 11}, {9, 21, 30},
                               {40, 20, 12}, {1, 1, 1},    {3, 40, 2}};
  for (const fluid::Isa isa : {fluid::Isa::kAvx512, fluid::Isa::kAvx2, fluid::Isa::kBase}) {
    const bool skipped = isa > fluid::BestIsa();
    std::printf("solver level %s: %s\n", fluid::IsaName(isa), skipped ? "skipped" : "checked");
    if (skipped) continue;
    fluid::LimitIsa(isa);
    for (int threads = 1; threads <= 4; ++threads) {
      fluid::SetWorkerCount(threads);
      for (const auto& g : kGrids) {
        SCOPED_TRACE(testing::Message() << fluid::IsaName(isa) << ", " << threads << " threads, "
                                        << g[0] << "x" << g[1] << "x" << g[2]);
        ExpectThreeStepsMatch(g[0], g[1], g[2]);
      }
    }
  }
}

}  // namespace
