#include <gtest/gtest.h>

#include "sources/fluid_isa.h"
#include "sources/fluid_solver.h"
#include "tests/sources/fluid_oracle.h"
#include "tests/sources/fluid_test_field.h"

namespace {

using fluid::Grid;

// u, v, w, density, then their four sources, random borders included, so
// every pass must also leave edges alone and build faces and corners alike.
void ExpectThreeStepsMatch(const Grid& g) {
  std::vector<TestField> mine(8, TestField(g));
  for (int f = 0; f < 3; ++f) mine[f].Randomize(31 + f, -0.05f, 0.05f);
  mine[3].Randomize(34, 0.0f, 5.0f);
  std::vector<TestField> ref = mine;
  auto run = [&](std::vector<TestField>& v, auto stepVelocity, auto stepDensity) {
    stepVelocity(g.nx, g.ny, g.nz, v[0].get(), v[1].get(), v[2].get(), v[4].get(), v[5].get(),
                 v[6].get(), 0.005f, 0.4f);
    stepDensity(g.nx, g.ny, g.nz, v[3].get(), v[7].get(), v[0].get(), v[1].get(), v[2].get(),
                0.001f, 0.4f);
  };
  for (int step = 0; step < 3; ++step) {
    for (int f = 4; f < 7; ++f) mine[f].Randomize(40 + 10 * f + step, -0.1f, 0.1f);
    mine[7].Randomize(80 + step, 0.0f, 2.0f);
    mine[4](g.nx / 2 + 1, g.ny / 2 + 1, g.nz / 2 + 1) = 10.0f;  // a strong stir
    mine[7](g.nx / 2 + 1, g.ny / 2 + 1, g.nz / 2 + 1) = 100.0f;
    for (int f = 4; f < 8; ++f) ref[f] = mine[f];
    run(ref, oracle::StepVelocity, oracle::StepDensity);
    run(mine, StepVelocity, StepDensity);
  }
  EXPECT_FALSE(ref[0].SameBits(TestField(g))) << "the flow died out";
  for (int f = 0; f < 8; ++f) EXPECT_TRUE(mine[f].SameBits(ref[f])) << "field " << f;
}

// Every instruction-set level this processor has, on cubic, non-cubic and
// single-cell grids.
TEST(OracleMatch, ThreeFullStepsMatchBitForBit) {
  for (const fluid::Isa isa : {fluid::Isa::kAvx512, fluid::Isa::kAvx2, fluid::Isa::kBase}) {
    if (isa > fluid::BestIsa()) continue;
    fluid::LimitIsa(isa);
    for (const Grid g : {Grid{16, 16, 16}, Grid{17, 13, 11}, Grid{9, 21, 30}, Grid{1, 1, 1}}) {
      SCOPED_TRACE(testing::Message() << "level " << static_cast<int>(isa) << ", grid " << g.nx
                                      << "x" << g.ny << "x" << g.nz);
      ExpectThreeStepsMatch(g);
    }
  }
  fluid::LimitIsa(fluid::Isa::kAvx512);
}

}  // namespace
