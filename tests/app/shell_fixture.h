// A window with an initialised renderer, and the shell's state as at start-up.
#pragma once

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "render/vol_render.h"
#include "sources/fluid_fields.h"
#include "tests/support/gl_window.h"

class ShellTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool ready = false;
    if (ready) return;
    OpenGlWindow("shell test", 500, 500);
    gRenderer.Init();
    gFluidNX = gFluidNY = gFluidNZ = 4;
    ASSERT_TRUE(AllocateFluidFields());
    ready = true;
  }

  void SetUp() override {
    gMouseX = gMouseY = gMouseOldX = gMouseOldY = 0;
    gLeftDown = gMiddleDown = gRightDown = false;
    gDragAngleH = gDragAngleV = 0;
    gLightPos[0] = 0, gLightPos[1] = 0, gLightPos[2] = -0.5f;
    gLightMode = gEditorVisible = gFluidMode = gPaused = gClipEnabled = false;
    gClipDistance = 0;
    gSavedSliceCount = 0;
    gRenderer.sliceCount = 200;
    gRenderer.extraClipEnabled = false;
    gRenderer.clipDistance = 50;
    gRenderer.angleZ = gRenderer.angleX = 0;
  }
};
