// The production solver against the plain reference loops, bit for bit.
#include <gtest/gtest.h>

#include "sources/fluid_isa.h"
#include "sources/fluid_relax.h"
#include "sources/fluid_solver.h"
#include "sources/fluid_workers.h"
#include "tests/fluid/fluid_oracle.h"
#include "tests/fluid/fluid_test_field.h"

namespace {

using fluid::Grid;

void ExpectThreeStepsMatch(const Grid& g) {
  const int32_t nx = g.nx, ny = g.ny, nz = g.nz;
  // u, v, w, density, then their four sources; random borders included, so
  // every pass must also leave edges alone and build faces and corners alike.
  std::vector<TestField> mine(8, TestField(g));
  for (int f = 0; f < 3; ++f) mine[f].Randomize(31 + f, -0.05f, 0.05f);
  mine[3].Randomize(34, 0.0f, 5.0f);
  std::vector<TestField> ref = mine;
  const size_t centre = g(nx / 2 + 1, ny / 2 + 1, nz / 2 + 1);
  for (int step = 0; step < 3; ++step) {
    // Fresh sources each step, as the driver gives, with a strong stir.
    for (int f = 4; f < 7; ++f) mine[f].Randomize(40 + 10 * f + step, -0.1f, 0.1f);
    mine[7].Randomize(80 + step, 0.0f, 2.0f);
    mine[4].data[centre] = 10.0f;
    mine[7].data[centre] = 100.0f;
    for (int f = 4; f < 8; ++f) ref[f] = mine[f];
    oracle::StepVelocity(nx, ny, nz, ref[0].get(), ref[1].get(), ref[2].get(), ref[4].get(),
                         ref[5].get(), ref[6].get(), 0.005f, 0.4f);
    oracle::StepDensity(nx, ny, nz, ref[3].get(), ref[7].get(), ref[0].get(), ref[1].get(),
                        ref[2].get(), 0.001f, 0.4f);
    StepVelocity(nx, ny, nz, mine[0].get(), mine[1].get(), mine[2].get(), mine[4].get(),
                 mine[5].get(), mine[6].get(), 0.005f, 0.4f);
    StepDensity(nx, ny, nz, mine[3].get(), mine[7].get(), mine[0].get(), mine[1].get(),
                mine[2].get(), 0.001f, 0.4f);
  }
  EXPECT_NE(ref[0].FirstDifference(TestField(g)), -1) << "the flow died out";
  for (int f = 0; f < 8; ++f) EXPECT_EQ(mine[f].FirstDifference(ref[f]), -1) << "field " << f;
}

// Every instruction-set level this processor has runs its own compiled
// kernels. Grids: cubic, non-cubic both ways, thin, a single cell, and row
// counts around the 16-row groups of the relaxation.
TEST(OracleMatch, ThreeFullStepsWithSourcesMatchOnEveryGridAndLevel) {
  for (const fluid::Isa isa : {fluid::Isa::kAvx512, fluid::Isa::kAvx2, fluid::Isa::kBase}) {
    if (isa > fluid::BestIsa()) continue;
    fluid::LimitIsa(isa);
    for (const Grid g : {Grid{17, 13, 11}, Grid{9, 21, 30}, Grid{31, 14, 5}, Grid{1, 1, 1},
                         Grid{16, 16, 16}, Grid{12, 30, 2}, Grid{3, 46, 7}, Grid{40, 1, 3},
                         Grid{2, 33, 1}}) {
      SCOPED_TRACE(testing::Message() << "level " << static_cast<int>(isa) << ", grid " << g.nx
                                      << "x" << g.ny << "x" << g.nz);
      ExpectThreeStepsMatch(g);
    }
  }
  fluid::LimitIsa(fluid::Isa::kAvx512);
}

// The in-place fallback nests its loops in memory order, and the threaded
// pipeline hands planes between threads; neither may change a bit, whatever
// the thread count (more threads than cores included).
TEST(OracleMatch, RelaxationInPlaceAndAtEveryThreadCount) {
  const int before = fluid::WorkerCount();
  for (const Grid g : {Grid{21, 35, 19}, Grid{6, 19, 9}, Grid{1, 4, 2}}) {
    for (int kind = 0; kind <= 3; ++kind) {
      TestField x0 = TestField(g).Randomize(9, -1.0f, 1.0f);
      const TestField start = TestField(g).Randomize(8 + kind, -3.0f, 3.0f);
      TestField expected = start, x = start;
      oracle::RelaxLinear(g.nx, g.ny, g.nz, kind, expected.get(), x0.get(), 1.0f, 6.0f);
      fluid::RelaxInPlace(g.nx, g.ny, g.nz, kind, x.get(), x0.get(), 1.0f, 6.0f);
      EXPECT_EQ(x.FirstDifference(expected), -1) << "in place, kind " << kind;
      for (int threads = 1; threads <= 4; ++threads) {
        fluid::SetWorkerCount(threads);
        x = start;
        RelaxLinear(g.nx, g.ny, g.nz, kind, x.get(), x0.get(), 1.0f, 6.0f);
        EXPECT_EQ(x.FirstDifference(expected), -1) << threads << " threads, kind " << kind;
      }
    }
  }
  fluid::SetWorkerCount(before);
}

}  // namespace
