#include "app/input_callbacks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "render/vol_render.h"
#include "shell_fixture.h"
#include "sources/fluid_fields.h"
#include "transfer/transfer_editor.h"

namespace {

void Type(const char* keys) {
  for (; *keys; ++keys) KeyboardCallback(static_cast<unsigned char>(*keys), 0, 0);
}

class InputCallbacks : public ShellTest {
protected:
  static std::vector<float> Table() {
    const float* table = gTransferEditor.Table();
    return std::vector<float>(table, table + 1024);
  }
};

TEST_F(InputCallbacks, FullSliceModeRestoresTheCountSavedWhenItBegan) {
  Type("a");
  EXPECT_EQ(gRenderer.sliceCount, 1000);
  EXPECT_EQ(gSavedSliceCount, 200);
  Type("zss");
  EXPECT_EQ(gRenderer.sliceCount, 995);
  Type("a");
  EXPECT_EQ(gRenderer.sliceCount, 200);
  EXPECT_EQ(gSavedSliceCount, 0);
  gRenderer.sliceCount = 5;  // not bounded
  Type("ss");
  EXPECT_EQ(gRenderer.sliceCount, -5);
}

TEST_F(InputCallbacks, ClipStateReachesTheRendererThroughTheTail) {
  Type("k");  // no command, but the tail runs
  EXPECT_EQ(gRenderer.clipDistance, 0);
  EXPECT_FALSE(gRenderer.extraClipEnabled);
  Type("c");
  EXPECT_TRUE(gRenderer.extraClipEnabled);
  EXPECT_EQ(gRenderer.clipDistance, 0);
  Type("bbn");
  EXPECT_EQ(gRenderer.clipDistance, 2);
  Type("c");
  EXPECT_FALSE(gRenderer.extraClipEnabled);
}

TEST_F(InputCallbacks, TogglesAndUpperCaseLetters) {
  Type("ABCFLPQWXZ28");
  EXPECT_EQ(gRenderer.sliceCount, 200);
  EXPECT_FALSE(gClipEnabled || gLightMode || gEditorVisible || gFluidMode || gPaused);
  EXPECT_EQ(gClipDistance, 0);
  EXPECT_EQ(gTransferEditor.channel, 0);

  Type("lwp");
  EXPECT_TRUE(gLightMode && gEditorVisible && gPaused);
  Type("xxxx");
  EXPECT_EQ(gTransferEditor.channel, 0);
}

TEST_F(InputCallbacks, KeyRClearsTheFluidAndKeyFLoadsTheRawVolume) {
  const auto fields = {gVelU, gVelV, gVelW, gVelUPrev, gVelVPrev, gVelWPrev, gDensity, gDensityPrev};
  for (float* field : fields) std::fill(field, field + FluidFieldSize(), 3.0f);
  Type("r");
  for (float* field : fields) {
    EXPECT_TRUE(std::all_of(field, field + FluidFieldSize(), [](float v) { return v == 0.0f; }));
  }
  Type("f");
  EXPECT_TRUE(gFluidMode);
  EXPECT_EQ(gRenderer.sizeX, 128);
  EXPECT_TRUE(gRenderer.ownsData);
  Type("f");
  EXPECT_FALSE(gFluidMode);
}

TEST_F(InputCallbacks, KeyQEndsTheProcessWithCodeZero) {
  // The GL driver runs threads of its own: the child must start afresh.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(KeyboardCallback('q', 0, 0), ::testing::ExitedWithCode(0), "");
}

TEST_F(InputCallbacks, UnhandledButtonChangesNothingAndAPlainDragOnlyTracks) {
  MouseCallback(0, 0, 10, 20);
  MouseCallback(3, 0, 99, 98);
  MouseCallback(-1, 1, 97, 96);
  EXPECT_EQ(gMouseX, 10);
  EXPECT_EQ(gMouseOldY, 20);
  EXPECT_TRUE(gLeftDown);
  MotionCallback(60, 40);
  EXPECT_EQ(gMouseX, 60);
  EXPECT_EQ(gMouseOldX, 10);
  EXPECT_EQ(gDragAngleH, 0);
  MouseCallback(0, 1, 11, 21);
  EXPECT_FALSE(gLeftDown);
  EXPECT_EQ(gMouseOldX, 11);
}

TEST_F(InputCallbacks, MiddleDragRotatesEvenWithTheLeftButtonInLightMode) {
  gLightMode = true;
  MouseCallback(0, 0, 100, 100);
  MouseCallback(1, 0, 100, 100);
  MotionCallback(130, 90);
  EXPECT_FLOAT_EQ(gRenderer.angleZ, -30);
  EXPECT_FLOAT_EQ(gRenderer.angleX, 10);
  EXPECT_EQ(gMouseOldX, 130);
  EXPECT_FLOAT_EQ(gLightPos[0], 0);
}

TEST_F(InputCallbacks, LightModeLeftSteersAndRightEditsWithTheEditorShown) {
  gLightMode = gEditorVisible = true;
  const std::vector<float> before = Table();
  MouseCallback(0, 0, 300, 100);
  MotionCallback(300 - 157, 120);  // theta = 1.57
  EXPECT_NEAR(gLightPos[0], std::cos(1.57), 1e-6);
  EXPECT_NEAR(gLightPos[1], std::sin(1.57), 1e-6);
  EXPECT_FLOAT_EQ(gLightPos[2], -0.5f);
  EXPECT_EQ(gRenderer.angleZ, 0);
  EXPECT_EQ(Table(), before);
  MouseCallback(0, 1, 143, 120);

  MouseCallback(2, 0, 300, 100);
  MotionCallback(310, 60);
  EXPECT_NE(Table(), before);
  EXPECT_NEAR(gLightPos[0], std::cos(1.57), 1e-6);
  // Editing keeps the pointer at the old position, so the fluid gets no force.
  EXPECT_EQ(gMouseX, 300);
  EXPECT_EQ(gMouseY, 100);
}

}  // namespace
