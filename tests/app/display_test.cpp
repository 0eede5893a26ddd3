#include "app/display.h"

#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cmath>
#include <vector>

#include "app/app_state.h"
#include "app/overlay.h"
#include "shell_fixture.h"

namespace {

using Display = ShellTest;

struct Matrix {
  GLdouble m[16];
};

Matrix Current(GLenum which) {
  Matrix result{};
  glGetDoublev(which, result.m);
  return result;
}

// Window pixel (from the bottom-left) of an eye-space point.
void Project(double x, double y, double z, double& wx, double& wy) {
  const Matrix model = Current(GL_MODELVIEW_MATRIX), projection = Current(GL_PROJECTION_MATRIX);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  double wz;
  gluProject(x, y, z, model.m, projection.m, viewport, &wx, &wy, &wz);
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
  GLint viewport[4], mode = 0;
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 800);
  EXPECT_EQ(viewport[3], 600);

  BeginOverlay();
  double wx = 0, wy = 0;
  Project(0, 20, 0, wx, wy);
  EXPECT_NEAR(wx, 0, 1e-6);
  EXPECT_NEAR(wy, 600 - 20, 1e-6);
  EndOverlay();
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_NEAR(Current(GL_PROJECTION_MATRIX).m[0], p.m[0], 1e-9);

  // A minimised window still gives a usable projection.
  ReshapeCallback(500, 0);
  for (double value : Current(GL_PROJECTION_MATRIX).m) EXPECT_TRUE(std::isfinite(value));
}

TEST_F(Display, NearPlaneKeepsDepthsApartAndTheLogoCornerInPlace) {
  glLoadIdentity();
  ReshapeCallback(500, 500);
  const Matrix p = Current(GL_PROJECTION_MATRIX);
  const auto depth = [&](double z) { return (p.m[10] * z + p.m[14]) / (p.m[11] * z); };
  EXPECT_LT(depth(-1.8), depth(-250.0));  // editor panel in front of the volume
  EXPECT_LT(depth(-250.0), 1.0);
  double wx = 0, wy = 0;
  Project(60, -130, -250, wx, wy);
  EXPECT_NEAR(wx, 354, 1.5);
  EXPECT_NEAR(wy, 25, 1.5);
}

// Lowest window row (from the bottom) holding a pixel of exactly this colour.
int RowOf(const std::vector<unsigned char>& rgb, int width, int height, unsigned char r,
          unsigned char g, unsigned char b, int* count) {
  int row = -1;
  *count = 0;
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &rgb[3 * (y * width + x)];
      if (p[0] == r && p[1] == g && p[2] == b) {
        ++*count;
        row = y;
      }
    }
  }
  return row;
}

TEST_F(Display, ThreeByteLogoIsDrawnAsRgbRowsInTheLowerRight) {
  // Five pixels a row (15 bytes, not a multiple of 4), bottom row red, then green, then blue.
  unsigned char pixels[3][5][3] = {};
  for (int x = 0; x < 5; ++x) {
    pixels[0][x][0] = 255;
    pixels[1][x][1] = 255;
    pixels[2][x][2] = 255;
  }
  gLogo = TgaImage{3, 5, 3, &pixels[0][0][0]};
  ReshapeCallback(500, 500);
  DisplayCallback();
  gLogo = TgaImage{};

  const int left = 340, bottom = 15, width = 40, height = 25;
  std::vector<unsigned char> rgb(3 * width * height);
  glReadBuffer(GL_BACK);  // this driver keeps the back buffer across the swap
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(left, bottom, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  int reds = 0, greens = 0, blues = 0;
  const int red = RowOf(rgb, width, height, 255, 0, 0, &reds);
  const int green = RowOf(rgb, width, height, 0, 255, 0, &greens);
  const int blue = RowOf(rgb, width, height, 0, 0, 255, &blues);
  EXPECT_EQ(reds, 5);
  EXPECT_EQ(greens, 5);
  EXPECT_EQ(blues, 5);
  EXPECT_EQ(green, red + 1);
  EXPECT_EQ(blue, red + 2);
  // The corner projects from (60, -130, -250): near window pixel (354, 25).
  EXPECT_NEAR(bottom + red, 25, 1);
}

}  // namespace
