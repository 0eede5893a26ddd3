// The production solver against the plain reference loops, bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include "sources/fluid_isa.h"
#include "sources/fluid_relax.h"
#include "sources/fluid_solver.h"
#include "sources/fluid_workers.h"
#include "tests/fluid/fluid_oracle.h"
#include "tests/fluid/fluid_test_field.h"

namespace {

struct Size3 {
  int32_t nx, ny, nz;
};

std::ostream& operator<<(std::ostream& os, const Size3& s) {
  return os << s.nx << "x" << s.ny << "x" << s.nz;
}

// Cubic, non-cubic both ways, thin, a single cell, and row counts around the
// 16-row groups of the relaxation.
const Size3 kGrids[] = {{17, 13, 11}, {9, 21, 30}, {31, 14, 5}, {1, 1, 1},  {16, 16, 16},
                        {12, 30, 2},  {3, 46, 7},  {40, 1, 3},  {2, 33, 1}};

float LargestMagnitude(const TestField& f) {
  float m = 0.0f;
  for (float v : f.data) m = std::max(m, std::abs(v));
  return m;
}

// First cell where two fields differ, for a readable failure.
std::string FirstDifference(const TestField& a, const TestField& b) {
  for (int32_t k = 0; k <= a.at.nz + 1; ++k)
    for (int32_t j = 0; j <= a.at.ny + 1; ++j)
      for (int32_t i = 0; i <= a.at.nx + 1; ++i) {
        const size_t e = a.at(i, j, k);
        if (std::memcmp(&a.data[e], &b.data[e], sizeof(float)) != 0) {
          return testing::PrintToString(std::make_tuple(i, j, k, a.data[e], b.data[e]));
        }
      }
  return "none";
}

std::string IsaName(fluid::Isa isa) {
  switch (isa) {
    case fluid::Isa::kAvx512: return "Avx512";
    case fluid::Isa::kAvx2: return "Avx2";
    case fluid::Isa::kBase: return "Base";
  }
  return "?";
}

// Every grid at every instruction-set level this processor has: each level
// runs its own compiled kernels.
class OracleMatch : public ::testing::TestWithParam<std::tuple<Size3, fluid::Isa>> {
 protected:
  void SetUp() override {
    if (std::get<1>(GetParam()) > fluid::BestIsa()) GTEST_SKIP() << "not on this processor";
    fluid::LimitIsa(std::get<1>(GetParam()));
  }
  void TearDown() override { fluid::LimitIsa(fluid::Isa::kAvx512); }
  Size3 Grid() const { return std::get<0>(GetParam()); }
};

TEST_P(OracleMatch, RelaxationIsBitwiseEqualForEveryKindBorderIncluded) {
  const Size3 s = Grid();
  for (int kind = 0; kind <= 3; ++kind) {
    TestField x(s.nx, s.ny, s.nz), x0(s.nx, s.ny, s.nz);
    // Random border values too: the first sweep reads whatever faces hold,
    // and edges must come out untouched.
    x.Randomize(10 + kind, -3.0f, 3.0f);
    x0.Randomize(20 + kind, -1.0f, 1.0f);
    TestField expected = x;
    oracle::RelaxLinear(s.nx, s.ny, s.nz, kind, expected.get(), x0.get(), 0.34f, 3.04f);
    RelaxLinear(s.nx, s.ny, s.nz, kind, x.get(), x0.get(), 0.34f, 3.04f);
    EXPECT_TRUE(x.SameBits(expected)) << "kind " << kind << " " << FirstDifference(x, expected);
  }
}

TEST_P(OracleMatch, AdvectionIsBitwiseEqualIncludingClampedTraces) {
  const Size3 s = Grid();
  TestField d(s.nx, s.ny, s.nz), d0(s.nx, s.ny, s.nz), u(s.nx, s.ny, s.nz),
      v(s.nx, s.ny, s.nz), w(s.nx, s.ny, s.nz);
  d0.Randomize(1, 0.0f, 10.0f);
  // Up to several cells per step, so traces leave the grid on every side.
  const float reach = 0.2f;
  u.Randomize(2, -reach, reach);
  v.Randomize(3, -reach, reach);
  w.Randomize(4, -reach, reach);
  for (int kind = 0; kind <= 3; ++kind) {
    d.Randomize(5, -1.0f, 1.0f);
    TestField expected = d;
    oracle::AdvectField(s.nx, s.ny, s.nz, kind, expected.get(), d0.get(), u.get(), v.get(),
                        w.get(), 0.4f);
    AdvectField(s.nx, s.ny, s.nz, kind, d.get(), d0.get(), u.get(), v.get(), w.get(), 0.4f);
    EXPECT_TRUE(d.SameBits(expected)) << "kind " << kind << " " << FirstDifference(d, expected);
  }
}

TEST_P(OracleMatch, ThreeFullStepsWithSourcesAreBitwiseEqual) {
  const Size3 s = Grid();
  const int32_t nx = s.nx, ny = s.ny, nz = s.nz;
  TestField u(nx, ny, nz), v(nx, ny, nz), w(nx, ny, nz), d(nx, ny, nz);
  u.Randomize(31, -0.05f, 0.05f);
  v.Randomize(32, -0.05f, 0.05f);
  w.Randomize(33, -0.05f, 0.05f);
  d.Randomize(34, 0.0f, 5.0f);
  TestField su(nx, ny, nz), sv(nx, ny, nz), sw(nx, ny, nz), sd(nx, ny, nz);
  TestField ou = u, ov = v, ow = w, od = d;
  TestField osu = su, osv = sv, osw = sw, osd = sd;
  for (int step = 0; step < 3; ++step) {
    // Fresh sources each step, as the driver does, with a strong stir.
    su.Randomize(40 + step, -0.1f, 0.1f);
    sv.Randomize(50 + step, -0.1f, 0.1f);
    sw.Randomize(60 + step, -0.1f, 0.1f);
    sd.Randomize(70 + step, 0.0f, 2.0f);
    su(nx / 2 + 1, ny / 2 + 1, nz / 2 + 1) = 10.0f;
    sd(nx / 2 + 1, ny / 2 + 1, nz / 2 + 1) = 100.0f;
    osu = su, osv = sv, osw = sw, osd = sd;
    oracle::StepVelocity(nx, ny, nz, ou.get(), ov.get(), ow.get(), osu.get(), osv.get(),
                         osw.get(), 0.005f, 0.4f);
    oracle::StepDensity(nx, ny, nz, od.get(), osd.get(), ou.get(), ov.get(), ow.get(), 0.001f,
                        0.4f);
    StepVelocity(nx, ny, nz, u.get(), v.get(), w.get(), su.get(), sv.get(), sw.get(), 0.005f,
                 0.4f);
    StepDensity(nx, ny, nz, d.get(), sd.get(), u.get(), v.get(), w.get(), 0.001f, 0.4f);
  }
  ASSERT_GT(LargestMagnitude(ou), 0.0f);
  const std::pair<const TestField*, const TestField*> pairs[] = {
      {&u, &ou}, {&v, &ov}, {&w, &ow}, {&d, &od}, {&su, &osu}, {&sv, &osv}, {&sw, &osw}, {&sd, &osd}};
  for (const auto& [mine, ref] : pairs) {
    EXPECT_TRUE(mine->SameBits(*ref)) << FirstDifference(*mine, *ref);
  }
}

INSTANTIATE_TEST_SUITE_P(Grids, OracleMatch,
                         ::testing::Combine(::testing::ValuesIn(kGrids),
                                            ::testing::Values(fluid::Isa::kAvx512, fluid::Isa::kAvx2,
                                                              fluid::Isa::kBase)),
                         [](const auto& info) {
                           const Size3 s = std::get<0>(info.param);
                           return std::to_string(s.nx) + "x" + std::to_string(s.ny) + "x" +
                                  std::to_string(s.nz) + IsaName(std::get<1>(info.param));
                         });

// The fallback relaxation nests the loops in memory order (k outermost, i
// innermost). Every axis still ascends, so each cell sees the same new and
// old neighbours as in the reference's i-outermost order, and the result
// must not change by a bit. This is what licenses every reordering the fast
// path makes.
TEST(ReferenceMatch, LoopNestingOrderDoesNotChangeGaussSeidel) {
  for (const Size3& s : {Size3{17, 13, 11}, Size3{6, 19, 9}, Size3{1, 4, 2}}) {
    for (int kind = 0; kind <= 3; ++kind) {
      TestField x(s.nx, s.ny, s.nz), x0(s.nx, s.ny, s.nz);
      x.Randomize(8 + kind, -3.0f, 3.0f);
      x0.Randomize(9, -1.0f, 1.0f);
      TestField reordered = x;
      oracle::RelaxLinear(s.nx, s.ny, s.nz, kind, x.get(), x0.get(), 1.0f, 6.0f);
      fluid::RelaxInPlace(s.nx, s.ny, s.nz, kind, reordered.get(), x0.get(), 1.0f, 6.0f);
      EXPECT_TRUE(reordered.SameBits(x)) << s << " kind " << kind << " "
                                         << FirstDifference(reordered, x);
    }
  }
}

TEST(ReferenceMatch, BoundaryIsBitwiseEqual) {
  for (int kind = 0; kind <= 3; ++kind) {
    TestField x(7, 5, 9);
    x.Randomize(kind, -1.0f, 1.0f);
    TestField expected = x;
    oracle::EnforceBoundary(7, 5, 9, kind, expected.get());
    EnforceBoundary(7, 5, 9, kind, x.get());
    EXPECT_TRUE(x.SameBits(expected)) << kind;
  }
}

TEST(ReferenceMatch, ProjectionIsBitwiseEqual) {
  const int32_t nx = 13, ny = 18, nz = 7;
  TestField u(nx, ny, nz), v(nx, ny, nz), w(nx, ny, nz), p(nx, ny, nz), div(nx, ny, nz);
  u.Randomize(1, -1.0f, 1.0f);
  v.Randomize(2, -1.0f, 1.0f);
  w.Randomize(3, -1.0f, 1.0f);
  p.Randomize(4, -1.0f, 1.0f);
  div.Randomize(5, -1.0f, 1.0f);
  TestField ou = u, ov = v, ow = w, op = p, odiv = div;
  oracle::ProjectVelocity(nx, ny, nz, ou.get(), ov.get(), ow.get(), op.get(), odiv.get());
  ProjectVelocity(nx, ny, nz, u.get(), v.get(), w.get(), p.get(), div.get());
  EXPECT_TRUE(u.SameBits(ou) && v.SameBits(ov) && w.SameBits(ow) && p.SameBits(op) &&
              div.SameBits(odiv));
}

}  // namespace

namespace {

// The relaxation pipeline hands planes between threads; the result must not
// depend on how many take part (more threads than cores included).
TEST(ReferenceMatch, RelaxationDoesNotDependOnTheThreadCount) {
  const int32_t nx = 21, ny = 35, nz = 19;
  TestField x0(nx, ny, nz), start(nx, ny, nz);
  x0.Randomize(91, -1.0f, 1.0f);
  start.Randomize(92, -2.0f, 2.0f);
  TestField expected = start;
  oracle::RelaxLinear(nx, ny, nz, 3, expected.get(), x0.get(), 1.0f, 6.0f);
  const int before = fluid::WorkerCount();
  for (int threads = 1; threads <= 4; ++threads) {
    fluid::SetWorkerCount(threads);
    TestField x = start;
    RelaxLinear(nx, ny, nz, 3, x.get(), x0.get(), 1.0f, 6.0f);
    EXPECT_TRUE(x.SameBits(expected)) << threads << " threads " << FirstDifference(x, expected);
  }
  fluid::SetWorkerCount(before);
}

}  // namespace
