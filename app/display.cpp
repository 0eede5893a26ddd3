#include "app/display.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdio>

#include "app/app_state.h"
#include "app/benchmark_run.h"
#include "app/frame_rate.h"
#include "app/help_panel.h"
#include "app/overlay.h"
#include "app/screenshot.h"
#include "app/state_saving.h"
#include "app/viewer.h"
#include "render/vol_render.h"
#include "sources/fluid_fields.h"
#include "transfer/transfer_editor.h"

namespace {

double gFrameRate = 0.0;

// A minimised window reports a height of 0: square pixels rather than a
// division by zero or an aspect as wide as the window.
void BuiltInPerspective(int width, int height) {
  const double aspect = height > 0 ? static_cast<double>(width) / height : 1.0;
  gluPerspective(60.0, aspect, kNearPlane, kFarPlane);
}

// The logo sits in the lower right, placed in the frame that Draw leaves.
void DrawLogo() {
  if (gLogo.width <= 0 || gLogo.height <= 0 || !gLogo.pixels) return;
  glRasterPos2d(60, -130);
  if (gLogo.bytesPerPixel == 3) {
    // Rows of 3-byte pixels are tightly packed, not 4-byte aligned.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(gLogo.width, gLogo.height, GL_RGB, GL_UNSIGNED_BYTE, gLogo.pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  } else {
    glDrawPixels(gLogo.width, gLogo.height, GL_RGBA, GL_UNSIGNED_BYTE, gLogo.pixels);
  }
}

void DrawFrameRate() {
  const int32_t now = glutGet(GLUT_ELAPSED_TIME);
  gFrameRate = FrameRate(now, gLastFrameTime, gFrameRate);
  gLastFrameTime = now;
  char text[64];
  std::snprintf(text, sizeof text, "FPS: %1.2f", gFrameRate);
  DrawOverlayText(text, 0, 20);
}

// Over an opened volume's panes, the logo and the editor keep the place and
// size they have without one; a clean picture has no logo.
void DrawWindowOverlays(bool clean) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  BuiltInPerspective(gWindowWidth, gWindowHeight);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -250.0f);
  // As the volume's drawing leaves them: blended, not textured. Slice panes
  // leave texturing on and blending off.
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  if (!clean) DrawLogo();
  if (gEditorVisible) gTransferEditor.Draw();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace

void DisplayCallback() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  if (gFluidMode && !gPaused) {
    gRenderer.SetData(gDensity, gFluidNX + 2, gFluidNY + 2, gFluidNZ + 2);
    gRenderer.BuildGradients();
  }
  const ViewState* viewed = OpenedViewState();
  if (viewed != nullptr) {
    DrawViewer();
    DrawWindowOverlays(viewed->clean);
    if (viewed->help) {
      DrawHelpPanel(HelpNow(*viewed, gLightMode, gEditorVisible, gFluidMode), gWindowWidth, gWindowHeight);
    }
  } else {
    gRenderer.Draw();
    DrawLogo();
    if (gEditorVisible) gTransferEditor.Draw();
  }
  if (viewed == nullptr || !viewed->clean) DrawFrameRate();
  if (BenchmarkRunning()) FinishBenchmarkFrame(viewed->sliceCount);
  TakeRequestedScreenshot();
  glutSwapBuffers();
}

void ReshapeCallback(int width, int height) {
  gWindowWidth = width;
  gWindowHeight = height;
  // An opened volume's panes set their own projections as they draw.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (OpenedViewState() == nullptr) BuiltInPerspective(width, height);
  glMatrixMode(GL_MODELVIEW);
  glViewport(0, 0, width, height);
  if (OpenedViewState() != nullptr) {
    glutPostRedisplay();
    SaveStateIfChanged();
  }
}
