#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "sources/fluid_driver.h"
#include "sources/fluid_fields.h"

namespace {

using Writes = std::vector<std::pair<size_t, float>>;

Writes NonZero(const float* field) {
  Writes out;
  for (size_t e = 0; e < FluidFieldSize(); ++e)
    if (field[e] != 0.0f) out.emplace_back(e, field[e]);
  return out;
}

// 170^3 grid, j up from the window's bottom. A rejected pointer keeps the old
// position, so the next accepted move carries the whole displacement.
TEST(FluidDriver, InjectsUnderThePointerAndAdvancesOnlyInFluidModeAndNotPaused) {
  gFluidNX = gFluidNY = gFluidNZ = 170;
  ASSERT_TRUE(AllocateFluidFields());
  gForceScale = 1.0f, gSourceDensity = 100.0f;
  const struct {
    const char* what;
    bool left, right;
    int32_t oldX, oldY, x, y, window, i, j;  // i 0: rejected
    float u, v, density;
  } cases[] = {
      {"column 0", false, true, 0, 250, 0, 250, 500, 1, 86, 0, 0, 100},
      {"column width-1", false, true, 499, 499, 499, 499, 500, 170, 1, 0, 0, 100},
      {"top row", true, true, 100, 100, 120, 0, 500, 0, 0, 0, 0, 0},
      {"negative x", true, true, 10, 200, -5, 200, 500, 0, 0, 0, 0, 0},
      {"zero-sized window", true, true, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0},
      {"left drag", true, false, 200, 300, 210, 295, 500, 72, 70, 10, 5, 0},
      {"both buttons", true, true, 300, 100, 303, 100, 500, 104, 137, 3, 0, 100},
      {"no button", false, false, 250, 250, 400, 250, 500, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (float* f : {gDensityPrev, gVelUPrev, gVelVPrev, gVelWPrev})
      std::fill_n(f, FluidFieldSize(), 7.0f);
    int32_t oldX = c.oldX, oldY = c.oldY;
    FluidPointer pointer{c.window, c.window, c.x, c.y, oldX, oldY, c.left, c.right};
    InjectMouseSources(pointer, gDensityPrev, gVelUPrev, gVelVPrev);
    const size_t cell = CellIndex(c.i, c.j, 86);
    auto only = [&](float value) { return value != 0.0f ? Writes{{cell, value}} : Writes{}; };
    EXPECT_EQ((std::vector<Writes>{NonZero(gVelUPrev), NonZero(gVelVPrev), NonZero(gDensityPrev),
                                   NonZero(gVelWPrev)}),
              (std::vector<Writes>{only(c.u), only(c.v), only(c.density), {}}));
    EXPECT_EQ(std::make_pair(oldX, oldY),
              c.i != 0 ? std::make_pair(c.x, c.y) : std::make_pair(c.oldX, c.oldY));
  }

  // Paused or out of fluid mode: no injection (the old pointer stays) and no
  // step (the density stays); running, both happen. A 6^3 grid in the same
  // fields steps quickly.
  gFluidNX = gFluidNY = gFluidNZ = 6, gTimeStep = 0.4f;
  ClearFluidFields();
  for (int run = 0; run < 4; ++run) {
    const bool fluidMode = run & 1, paused = run & 2, runs = fluidMode && !paused;
    const Writes density = NonZero(gDensity);
    int32_t oldX = 100, oldY = 100;
    FluidPointer pointer{500, 500, 250, 250, oldX, oldY, false, true};
    AdvanceFluid(fluidMode, paused, pointer);
    EXPECT_EQ(std::make_pair(NonZero(gDensity) != density, oldX != 100), std::make_pair(runs, runs))
        << "fluid mode " << fluidMode << ", paused " << paused;
  }
}

}  // namespace
