// The shell's callbacks in a real window: keys and drags reaching the shell's
// state and the renderer, and what a frame draws.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "app/display.h"
#include "app/input_callbacks.h"
#include "app/overlay.h"
#include "render/vol_render.h"
#include "sources/fluid_fields.h"
#include "tests/support/gl_window.h"
#include "transfer/transfer_editor.h"

namespace {

// A window with an initialised renderer, and the shell's state as at start-up.
class Shell : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    OpenGlWindow("shell test", 500, 500);
    gRenderer.Init();
  }

  // Only what more than one test changes.
  void SetUp() override {
    gLightMode = gEditorVisible = gFluidMode = gPaused = gClipEnabled = false;
    gClipDistance = gSavedSliceCount = 0;
    gRenderer.sliceCount = 200;
    gRenderer.clipDistance = 50;  // unlike the shell's, so that a key's copy shows
    ReshapeCallback(500, 500);
  }
};

std::array<GLdouble, 16> Current(GLenum matrix) {
  std::array<GLdouble, 16> m{};
  glGetDoublev(matrix, m.data());
  return m;
}

// RGB of a window rectangle, rows from the bottom.
std::vector<unsigned char> Read(int left, int bottom, int width, int height) {
  std::vector<unsigned char> rgb(3 * width * height);
  glReadBuffer(GL_BACK);  // this driver keeps the back buffer across the swap
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(left, bottom, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

void Type(const std::string& keys) {
  for (const char key : keys) KeyboardCallback(static_cast<unsigned char>(key), 0, 0);
}

// The overlay's point (20, 20) lands 20 pixels in from the top left only with
// the window's size and viewport both taken from the reshape.
TEST_F(Shell, ReshapeSetsThePerspectiveAndTheOverlayCountsFromTheTopLeft) {
  glLoadIdentity();
  ReshapeCallback(800, 600);
  const double f = 1.0 / std::tan(M_PI / 6);
  const std::array<GLdouble, 16> p = Current(GL_PROJECTION_MATRIX);
  EXPECT_NEAR(p[5], f, 1e-6);
  EXPECT_NEAR(p[0], f / (800.0 / 600.0), 1e-6);
  // The near plane keeps depths apart: the editor panel in front of the volume.
  const auto depth = [&](double z) { return (p[10] * z + p[14]) / (p[11] * z); };
  EXPECT_LT(depth(-1.8), depth(-250.0));
  EXPECT_LT(depth(-250.0), 1.0);

  BeginOverlay();
  GLint viewport[4], mode = 0;
  glGetIntegerv(GL_VIEWPORT, viewport);
  double wx = 0, wy = 0, wz = 0;
  gluProject(20, 20, 0, Current(GL_MODELVIEW_MATRIX).data(), Current(GL_PROJECTION_MATRIX).data(),
             viewport, &wx, &wy, &wz);
  EXPECT_NEAR(wx, 20, 1e-6);
  EXPECT_NEAR(wy, 600 - 20, 1e-6);
  EndOverlay();
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_NEAR(Current(GL_PROJECTION_MATRIX)[0], p[0], 1e-9);

  // A minimised window reports a height of 0: square pixels.
  ReshapeCallback(500, 0);
  EXPECT_EQ(Current(GL_PROJECTION_MATRIX)[0], Current(GL_PROJECTION_MATRIX)[5]);
}

// Five pixels a row (15 bytes, not a multiple of 4): red, green, blue rows
// from the bottom, their corner near window pixel (354, 25).
TEST_F(Shell, ThreeByteLogoIsDrawnAsRgbRowsInTheLowerRight) {
  unsigned char pixels[3][5][3] = {};
  for (int row = 0; row < 3; ++row)
    for (int x = 0; x < 5; ++x) pixels[row][x][row] = 255;
  gLogo = TgaImage{3, 5, 3, &pixels[0][0][0]};
  DisplayCallback();
  gLogo = TgaImage{};
  const auto rgb = Read(340, 15, 40, 25);
  for (int row = 0; row < 3; ++row) {
    std::vector<int> rows;
    for (size_t i = 0; i < rgb.size(); i += 3)
      if (rgb[i + row] == 255 && rgb[i + (row + 1) % 3] == 0 && rgb[i + (row + 2) % 3] == 0)
        rows.push_back(15 + static_cast<int>(i / 3 / 40));
    ASSERT_EQ(rows.size(), 5u) << "colour " << row;
    EXPECT_EQ(rows.front(), rows.back());
    EXPECT_NEAR(rows.front() - row, 25, 1);
  }
}

// The counter reads "FPS: " and two decimals, drawn white, or in the
// editor's grey when the editor was drawn before it. No slices: the text is
// compared over the background.
TEST_F(Shell, FrameRateTextHasItsFormatAndColour) {
  gRenderer.sliceCount = 0;
  gRenderer.BuildSlices();
  for (const bool editor : {false, true}) {
    gEditorVisible = editor;
    // 100 s since the last frame reads 0.01 frames per second.
    gLastFrameTime = glutGet(GLUT_ELAPSED_TIME) - 100000;
    DisplayCallback();
    const auto shown = Read(0, 470, 150, 30);
    glClear(GL_COLOR_BUFFER_BIT);
    const float grey = editor ? 0.8f : 1.0f;
    glColor4f(grey, grey, grey, 1.0f);
    DrawOverlayText("FPS: 0.01", 0, 20);
    EXPECT_EQ(shown, Read(0, 470, 150, 30)) << "editor " << editor;
    EXPECT_EQ(*std::max_element(shown.begin(), shown.end()), editor ? 204 : 255);
  }
}

// Every key, even one with no command, copies the clip state to the renderer;
// upper-case letters are no commands. Key a switches to 1000 slices, and back
// to the count saved when that began; s takes 5 off without a lower bound.
TEST_F(Shell, KeysChangeSlicesAndTogglesAndTheClipStateReachesTheRenderer) {
  Type("ABCFLPQWXZ28k");
  EXPECT_FALSE(gClipEnabled || gLightMode || gEditorVisible || gFluidMode || gPaused);
  EXPECT_EQ(std::make_tuple(gRenderer.sliceCount, gRenderer.clipDistance, gTransferEditor.channel),
            std::make_tuple(200, 0, 0));
  const std::pair<std::string, int> slices[] = {{"a", 1000}, {"zss", 995}, {"a", 200}, {"a", 1000},
                                                {"a", 200}, {std::string(41, 's'), -5}};
  for (const auto& [keys, count] : slices) {
    Type(keys);
    EXPECT_EQ(gRenderer.sliceCount, count) << keys;
  }
  Type("cbbnlwpxxxx");
  EXPECT_TRUE(gRenderer.extraClipEnabled && gLightMode && gEditorVisible && gPaused);
  EXPECT_EQ(std::make_tuple(gRenderer.clipDistance, gTransferEditor.channel), std::make_tuple(2, 0));
  Type("c");
  EXPECT_FALSE(gRenderer.extraClipEnabled);
}

// Key r before the fluid's fields exist does nothing; key f makes them.
TEST_F(Shell, KeyRClearsTheFluidAndKeyFLoadsTheRawVolume) {
  Type("rf");
  EXPECT_TRUE(gFluidMode && gRenderer.ownsData && gRenderer.sizeX == 128);
  const auto fields = {gVelU, gVelV, gVelW, gVelUPrev, gVelVPrev, gVelWPrev, gDensity, gDensityPrev};
  for (float* field : fields) std::fill(field, field + FluidFieldSize(), 3.0f);
  Type("r");
  for (float* field : fields)
    EXPECT_TRUE(std::all_of(field, field + FluidFieldSize(), [](float v) { return v == 0.0f; }));
  Type("f");
  EXPECT_FALSE(gFluidMode);
}

// Buttons other than 0-2 change nothing; a drag with no mode only tracks.
// The middle button rotates before anything else; then the left button in
// light mode steers the light, and any other drag with the editor shown edits.
TEST_F(Shell, MouseDragsTrackRotateSteerTheLightOrEdit) {
  MouseCallback(0, 0, 10, 20);
  MouseCallback(3, 0, 99, 98);
  MouseCallback(-1, 1, 97, 96);
  EXPECT_EQ(std::make_tuple(gMouseX, gMouseOldY, gLeftDown), std::make_tuple(10, 20, true));
  MotionCallback(60, 40);
  EXPECT_EQ(std::make_tuple(gMouseX, gMouseOldX, gDragAngleH), std::make_tuple(60, 10, 0.0f));
  MouseCallback(0, 1, 11, 21);
  EXPECT_EQ(std::make_tuple(gLeftDown, gMouseOldX), std::make_tuple(false, 11));

  gLightMode = gEditorVisible = true;
  const std::vector<float> before(gTransferEditor.Table(), gTransferEditor.Table() + 1024);
  MouseCallback(0, 0, 100, 100);
  MouseCallback(1, 0, 100, 100);
  MotionCallback(130, 90);
  EXPECT_EQ(std::make_tuple(gRenderer.angleZ, gRenderer.angleX, gLightPos[0]),
            std::make_tuple(-30.0f, 10.0f, 0.0f));
  MouseCallback(1, 1, 130, 90);
  // Rotation and light share the drag: theta = (-30 + 300 - 113) / 100.
  MouseCallback(0, 0, 300, 100);
  MotionCallback(113, 120);
  const float lightX = static_cast<float>(std::cos(1.57));
  EXPECT_EQ(std::make_tuple(gLightPos[0], gLightPos[1], gLightPos[2], gRenderer.angleZ),
            std::make_tuple(lightX, static_cast<float>(std::sin(1.57)), -0.5f, -30.0f));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), gTransferEditor.Table()));
  MouseCallback(0, 1, 113, 120);

  MouseCallback(2, 0, 300, 100);
  MotionCallback(310, 60);
  EXPECT_FALSE(std::equal(before.begin(), before.end(), gTransferEditor.Table()));
  // Editing keeps the pointer at the old position, so the fluid gets no force.
  EXPECT_EQ(std::make_tuple(gMouseX, gMouseY, gLightPos[0]), std::make_tuple(300, 100, lightX));
}

}  // namespace
