#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/app_state.h"
#include "sources/fluid_driver.h"
#include "sources/fluid_fields.h"

namespace {

struct Written {
  size_t cell;
  float value;
};

std::vector<Written> NonZero(const float* field) {
  std::vector<Written> out;
  for (size_t e = 0; e < FluidFieldSize(); ++e)
    if (field[e] != 0.0f) out.push_back({e, field[e]});
  return out;
}

class Driver : public ::testing::Test {
 protected:
  // The fields are process-wide and live for good, like the program's own.
  static void SetUpTestSuite() {
    gFluidNX = gFluidNY = gFluidNZ = 170;
    ASSERT_TRUE(AllocateFluidFields());
  }

  void SetUp() override {
    ClearFluidFields();
    gWindowWidth = gWindowHeight = 500;
    gForceScale = 1.0f;
    gSourceDensity = 100.0f;
    gLeftDown = gRightDown = false;
    gMouseX = gMouseOldX = 250;
    gMouseY = gMouseOldY = 250;
  }

  void Press(bool left, bool right, int32_t x, int32_t y) {
    gLeftDown = left;
    gRightDown = right;
    gMouseX = gMouseOldX = x;
    gMouseY = gMouseOldY = y;
  }

  static void Inject() { InjectMouseSources(gDensityPrev, gVelUPrev, gVelVPrev); }

  static size_t SourceCell() {
    const std::vector<Written> d = NonZero(gDensityPrev);
    EXPECT_EQ(d.size(), 1u);
    return d.empty() ? 0 : d[0].cell;
  }

  static bool SourcesEmpty() {
    return NonZero(gDensityPrev).empty() && NonZero(gVelUPrev).empty() &&
           NonZero(gVelVPrev).empty() && NonZero(gVelWPrev).empty();
  }
};

TEST_F(Driver, PointerColumnsMapOntoTheFullGridWidth) {
  Press(false, true, 0, 250);
  Inject();
  EXPECT_EQ(SourceCell(), CellIndex(1, 86, 86));
  Press(false, true, 499, 499);
  Inject();
  EXPECT_EQ(SourceCell(), CellIndex(170, 1, 86));
}

TEST_F(Driver, TopRowIsRejectedAndKeepsTheOldPosition) {
  Press(true, true, 100, 100);
  gMouseX = 120;
  gMouseY = 0;
  Inject();
  EXPECT_TRUE(SourcesEmpty());
  EXPECT_EQ(gMouseOldX, 100);
  EXPECT_EQ(gMouseOldY, 100);
}

TEST_F(Driver, LeftOfTheWindowIsRejected) {
  Press(true, true, 10, 200);
  gMouseX = -5;
  Inject();
  EXPECT_TRUE(SourcesEmpty());
  EXPECT_EQ(gMouseOldX, 10);
}

TEST_F(Driver, ZeroSizedWindowIsRejected) {
  Press(true, true, 0, 0);
  gWindowWidth = 0;
  gWindowHeight = 0;
  gMouseX = 3;
  Inject();
  EXPECT_TRUE(SourcesEmpty());
  EXPECT_EQ(gMouseOldX, 0);
}

TEST_F(Driver, ComingBackInsideInjectsTheWholeDisplacement) {
  Press(true, false, 10, 200);
  gMouseX = -40;
  Inject();
  gMouseX = 30;
  gMouseY = 190;
  Inject();
  const std::vector<Written> u = NonZero(gVelUPrev), v = NonZero(gVelVPrev);
  ASSERT_EQ(u.size(), 1u);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(u[0].value, 20.0f);
  EXPECT_EQ(v[0].value, 10.0f);
  EXPECT_EQ(gMouseOldX, 30);
}

TEST_F(Driver, LeftDragGivesForcesOnTheMiddlePlane) {
  Press(true, false, 200, 300);
  gMouseX = 210;
  gMouseY = 295;
  Inject();
  const size_t cell = CellIndex(static_cast<int32_t>(210.0f / 500.0f * 170.0f + 1.0f),
                                static_cast<int32_t>(205.0f / 500.0f * 170.0f + 1.0f), 86);
  EXPECT_EQ(gVelUPrev[cell], 10.0f);
  EXPECT_EQ(gVelVPrev[cell], 5.0f);
  EXPECT_EQ(NonZero(gVelUPrev).size(), 1u);
  EXPECT_EQ(NonZero(gVelVPrev).size(), 1u);
  EXPECT_TRUE(NonZero(gVelWPrev).empty());
  EXPECT_TRUE(NonZero(gDensityPrev).empty());
  EXPECT_EQ(gMouseOldX, 210);
  EXPECT_EQ(gMouseOldY, 295);
}

TEST_F(Driver, BothButtonsWriteForceAndDensityToOneCell) {
  Press(true, true, 300, 100);
  gMouseX = 303;
  Inject();
  const size_t cell = SourceCell();
  EXPECT_EQ(gDensityPrev[cell], 100.0f);
  EXPECT_EQ(gVelUPrev[cell], 3.0f);
  EXPECT_EQ(NonZero(gVelUPrev).size(), 1u);
}

TEST_F(Driver, NoButtonStillClearsAllFourSourcesAndKeepsTheOldPosition) {
  for (float* f : {gDensityPrev, gVelUPrev, gVelVPrev, gVelWPrev}) std::fill_n(f, FluidFieldSize(), 7.0f);
  gMouseX = 400;
  Inject();
  EXPECT_TRUE(SourcesEmpty());
  EXPECT_EQ(gMouseOldX, 250);
}

TEST_F(Driver, AdvanceRunsOnlyInFluidModeAndNotWhenPaused) {
  gViscosity = 0.005f;
  gTimeStep = 0.4f;
  gDiffusion = 0.0f;
  Press(false, true, 250, 250);
  const size_t cell = CellIndex(86, 86, 86);

  gFluidMode = false;
  gPaused = false;
  AdvanceFluid();
  EXPECT_EQ(gDensity[cell], 0.0f);
  gFluidMode = true;
  gPaused = true;
  AdvanceFluid();
  EXPECT_EQ(gDensity[cell], 0.0f);

  gPaused = false;
  AdvanceFluid();
  EXPECT_EQ(gDensity[cell], 40.0f);
  AdvanceFluid();
  EXPECT_EQ(gDensity[cell], 80.0f);
  gFluidMode = false;
}

}  // namespace
