#include "app/input_callbacks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
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

std::vector<float> Table() {
  return std::vector<float>(gTransferEditor.Table(), gTransferEditor.Table() + 1024);
}

using InputCallbacks = ShellTest;

TEST_F(InputCallbacks, SliceKeysAndFullSliceModeRestoringTheCountSavedWhenItBegan) {
  Type("a");
  EXPECT_EQ(gRenderer.sliceCount, 1000);
  Type("zss");
  EXPECT_EQ(gRenderer.sliceCount, 995);
  Type("a");
  EXPECT_EQ(gRenderer.sliceCount, 200);
  EXPECT_EQ(gSavedSliceCount, 0);
  gRenderer.sliceCount = 5;  // not bounded
  Type("ss");
  EXPECT_EQ(gRenderer.sliceCount, -5);
}

// Every key, even one with no command, copies the clip state to the renderer;
// upper-case letters are no commands.
TEST_F(InputCallbacks, TogglesAndClipStateReachingTheRenderer) {
  Type("ABCFLPQWXZ28k");
  EXPECT_FALSE(gClipEnabled || gLightMode || gEditorVisible || gFluidMode || gPaused);
  EXPECT_EQ(std::make_tuple(gRenderer.sliceCount, gRenderer.clipDistance, gTransferEditor.channel),
            std::make_tuple(200, 0, 0));
  Type("cbbnlwpxxxx");
  EXPECT_TRUE(gRenderer.extraClipEnabled && gLightMode && gEditorVisible && gPaused);
  EXPECT_EQ(std::make_tuple(gRenderer.clipDistance, gTransferEditor.channel), std::make_tuple(2, 0));
  Type("c");
  EXPECT_FALSE(gRenderer.extraClipEnabled);
}

TEST_F(InputCallbacks, KeyRClearsTheFluidAndKeyFLoadsTheRawVolume) {
  const auto fields = {gVelU, gVelV, gVelW, gVelUPrev, gVelVPrev, gVelWPrev, gDensity, gDensityPrev};
  for (float* field : fields) std::fill(field, field + FluidFieldSize(), 3.0f);
  Type("r");
  for (float* field : fields)
    EXPECT_TRUE(std::all_of(field, field + FluidFieldSize(), [](float v) { return v == 0.0f; }));
  Type("f");
  EXPECT_TRUE(gFluidMode && gRenderer.ownsData);
  EXPECT_EQ(gRenderer.sizeX, 128);
  Type("f");
  EXPECT_FALSE(gFluidMode);
}

// Buttons other than 0-2 change nothing; a drag with no mode only tracks.
TEST_F(InputCallbacks, UnhandledButtonsAndAPlainDrag) {
  MouseCallback(0, 0, 10, 20);
  MouseCallback(3, 0, 99, 98);
  MouseCallback(-1, 1, 97, 96);
  EXPECT_EQ(std::make_tuple(gMouseX, gMouseOldY, gLeftDown), std::make_tuple(10, 20, true));
  MotionCallback(60, 40);
  EXPECT_EQ(std::make_tuple(gMouseX, gMouseOldX, gDragAngleH), std::make_tuple(60, 10, 0.0f));
  MouseCallback(0, 1, 11, 21);
  EXPECT_EQ(std::make_tuple(gLeftDown, gMouseOldX), std::make_tuple(false, 11));
}

// The middle button rotates before anything else; then the left button in
// light mode steers the light, and any other drag with the editor shown edits.
TEST_F(InputCallbacks, MiddleRotatesLeftSteersTheLightOthersEdit) {
  gLightMode = gEditorVisible = true;
  const std::vector<float> before = Table();
  MouseCallback(0, 0, 100, 100);
  MouseCallback(1, 0, 100, 100);
  MotionCallback(130, 90);
  EXPECT_EQ(std::make_tuple(gRenderer.angleZ, gRenderer.angleX, gLightPos[0]),
            std::make_tuple(-30.0f, 10.0f, 0.0f));
  MouseCallback(1, 1, 130, 90);
  gDragAngleH = 0;
  MouseCallback(0, 0, 300, 100);
  MotionCallback(300 - 157, 120);  // theta = 1.57
  EXPECT_NEAR(gLightPos[0], std::cos(1.57), 1e-6);
  EXPECT_NEAR(gLightPos[1], std::sin(1.57), 1e-6);
  EXPECT_EQ(std::make_tuple(gLightPos[2], gRenderer.angleZ), std::make_tuple(-0.5f, -30.0f));
  EXPECT_EQ(Table(), before);
  MouseCallback(0, 1, 143, 120);

  MouseCallback(2, 0, 300, 100);
  MotionCallback(310, 60);
  EXPECT_NE(Table(), before);
  EXPECT_NEAR(gLightPos[0], std::cos(1.57), 1e-6);
  // Editing keeps the pointer at the old position, so the fluid gets no force.
  EXPECT_EQ(std::make_tuple(gMouseX, gMouseY), std::make_tuple(300, 100));
}

}  // namespace
