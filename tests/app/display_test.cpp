#include "app/display.h"

#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/app_state.h"
#include "app/overlay.h"
#include "shell_fixture.h"

namespace {

using Display = ShellTest;
using Pixels = std::vector<unsigned char>;

struct Matrix {
  GLdouble m[16];
};

Matrix Current(GLenum which) {
  Matrix result{};
  glGetDoublev(which, result.m);
  return result;
}

// RGB of a window rectangle, rows from the bottom.
Pixels Read(int left, int bottom, int width, int height) {
  Pixels rgb(3 * width * height);
  glReadBuffer(GL_BACK);  // this driver keeps the back buffer across the swap
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(left, bottom, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

TEST_F(Display, ReshapeSetsThePerspectiveAndTheOverlayCountsFromTheTopLeft) {
  glLoadIdentity();
  ReshapeCallback(800, 600);
  EXPECT_EQ(gWindowWidth, 800);
  EXPECT_EQ(gWindowHeight, 600);
  const double f = 1.0 / std::tan(M_PI / 6);
  const Matrix p = Current(GL_PROJECTION_MATRIX);
  EXPECT_NEAR(p.m[5], f, 1e-6);
  EXPECT_NEAR(p.m[0], f / (800.0 / 600.0), 1e-6);
  // The near plane keeps depths apart: the editor panel in front of the volume.
  const auto depth = [&](double z) { return (p.m[10] * z + p.m[14]) / (p.m[11] * z); };
  EXPECT_LT(depth(-1.8), depth(-250.0));
  EXPECT_LT(depth(-250.0), 1.0);
  GLint viewport[4], mode = 0;
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[3], 600);

  BeginOverlay();
  double wx = 0, wy = 0, wz = 0;
  const Matrix model = Current(GL_MODELVIEW_MATRIX), overlay = Current(GL_PROJECTION_MATRIX);
  gluProject(0, 20, 0, model.m, overlay.m, viewport, &wx, &wy, &wz);
  EXPECT_NEAR(wx, 0, 1e-6);
  EXPECT_NEAR(wy, 600 - 20, 1e-6);
  EndOverlay();
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_NEAR(Current(GL_PROJECTION_MATRIX).m[0], p.m[0], 1e-9);

  // A minimised window reports a height of 0: square pixels.
  ReshapeCallback(500, 0);
  const Matrix minimised = Current(GL_PROJECTION_MATRIX);
  EXPECT_EQ(minimised.m[0], minimised.m[5]);
}

// Five pixels a row (15 bytes, not a multiple of 4): red, green, blue rows
// from the bottom, their corner near window pixel (354, 25).
TEST_F(Display, ThreeByteLogoIsDrawnAsRgbRowsInTheLowerRight) {
  unsigned char pixels[3][5][3] = {};
  for (int row = 0; row < 3; ++row)
    for (int x = 0; x < 5; ++x) pixels[row][x][row] = 255;
  gLogo = TgaImage{3, 5, 3, &pixels[0][0][0]};
  ReshapeCallback(500, 500);
  DisplayCallback();
  gLogo = TgaImage{};
  const Pixels rgb = Read(340, 15, 40, 25);
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
// editor's grey when the editor was drawn before it.
TEST_F(Display, FrameRateTextHasItsFormatAndColour) {
  ReshapeCallback(500, 500);
  for (const bool editor : {false, true}) {
    gEditorVisible = editor;
    // 100 s since the last frame reads 0.01 frames per second.
    gLastFrameTime = glutGet(GLUT_ELAPSED_TIME) - 100000;
    DisplayCallback();
    const Pixels shown = Read(0, 470, 150, 30);
    glClear(GL_COLOR_BUFFER_BIT);
    const float grey = editor ? 0.8f : 1.0f;
    glColor4f(grey, grey, grey, 1.0f);
    DrawOverlayText("FPS: 0.01", 0, 20);
    EXPECT_EQ(shown, Read(0, 470, 150, 30)) << "editor " << editor;
    EXPECT_EQ(*std::max_element(shown.begin(), shown.end()), editor ? 204 : 255);
  }
}

}  // namespace
