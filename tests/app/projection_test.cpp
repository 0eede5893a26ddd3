#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>

#include "app/app_state.h"
#include "app/display.h"
#include "app/overlay.h"
#include "tests/support/gl_window.h"

namespace {

void OpenTestWindow() {
  static const bool open = (OpenGlWindow("shell test", 500, 500), true);
  (void)open;
}

struct Matrix {
  GLdouble m[16];
};

Matrix Current(GLenum which) {
  Matrix result{};
  glGetDoublev(which, result.m);
  return result;
}

// Projects an eye-space point to window pixels of the current viewport.
void Project(double x, double y, double z, double& wx, double& wy) {
  const Matrix model = Current(GL_MODELVIEW_MATRIX), projection = Current(GL_PROJECTION_MATRIX);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  double wz;
  gluProject(x, y, z, model.m, projection.m, viewport, &wx, &wy, &wz);
}

}  // namespace

TEST(Reshape, PerspectiveFollowsTheWindowSize) {
  OpenTestWindow();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  ReshapeCallback(800, 600);
  EXPECT_EQ(gWindowWidth, 800);
  EXPECT_EQ(gWindowHeight, 600);
  const Matrix p = Current(GL_PROJECTION_MATRIX);
  const double f = 1.0 / std::tan(30.0 * M_PI / 180.0);
  EXPECT_NEAR(p.m[5], f, 1e-6);
  EXPECT_NEAR(p.m[0], f / (800.0 / 600.0), 1e-6);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 800);
  EXPECT_EQ(viewport[3], 600);
}

TEST(Reshape, NearPlaneKeepsDepthsApartAndGeometryOnScreen) {
  OpenTestWindow();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  ReshapeCallback(500, 500);
  // The editor panel at 1.8 and the volume at 250 keep distinct depths.
  const Matrix p = Current(GL_PROJECTION_MATRIX);
  const auto depth = [&](double z) { return (p.m[10] * z + p.m[14]) / (p.m[11] * z); };
  EXPECT_LT(depth(-1.8), depth(-250.0));
  EXPECT_LT(depth(-250.0), 1.0);
  // The logo's corner lands near pixel (354, 25) from the bottom-left.
  double wx = 0, wy = 0;
  Project(60, -130, -250, wx, wy);
  EXPECT_NEAR(wx, 354, 1.5);
  EXPECT_NEAR(wy, 25, 1.5);
}

TEST(Reshape, MinimisedWindowGivesAFiniteProjection) {
  OpenTestWindow();
  ReshapeCallback(500, 0);
  const Matrix p = Current(GL_PROJECTION_MATRIX);
  for (double value : p.m) EXPECT_TRUE(std::isfinite(value));
  ReshapeCallback(500, 500);
}

TEST(Overlay, PixelsCountFromTheTopLeft) {
  OpenTestWindow();
  ReshapeCallback(800, 600);
  glLoadIdentity();
  BeginOverlay();
  double wx = 0, wy = 0;
  Project(0, 20, 0, wx, wy);
  EXPECT_NEAR(wx, 0, 1e-6);
  EXPECT_NEAR(wy, 600 - 20, 1e-6);
  EndOverlay();
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  const Matrix p = Current(GL_PROJECTION_MATRIX);
  EXPECT_NEAR(p.m[0], (1.0 / std::tan(M_PI / 6)) / (800.0 / 600.0), 1e-6);
  ReshapeCallback(500, 500);
}

TEST(Overlay, TextTakesTheCurrentColourAndRestoresTexturing) {
  OpenTestWindow();
  ReshapeCallback(500, 500);
  glClearColor(0, 0, 0.2f, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glColor4f(0.8f, 0.8f, 0.8f, 1);
  DrawOverlayText("FPS: 25.00", 0, 20);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  std::vector<unsigned char> pixels(120 * 30 * 3);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 500 - 30, 120, 30, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  int grey = 0;
  for (size_t i = 0; i < pixels.size(); i += 3) {
    if (pixels[i] == 204 && pixels[i + 1] == 204 && pixels[i + 2] == 204) ++grey;
  }
  EXPECT_GT(grey, 20);
  DrawBitmapString(GLUT_BITMAP_HELVETICA_18, nullptr);
  DrawBitmapString(GLUT_BITMAP_HELVETICA_18, "");
}
