#include "app/volume_pane.h"

#include <GL/freeglut.h>

#include "app/app_state.h"
#include "app/benchmark_run.h"
#include "app/cursor_text.h"
#include "app/drag_commands.h"
#include "app/interactive_detail.h"
#include "app/orientation_marker.h"
#include "app/screenshot.h"
#include "app/slice_pane.h"
#include "app/volume_camera.h"
#include "render/vol_render.h"

namespace {

// The volume's longest side spans this many model units in the renderer.
constexpr double kLongestSide = 200.0;

}  // namespace

DrawInputs VolumeDrawInputs(const ViewState& state) {
  DrawInputs inputs;
  inputs.orientation = state.camera.rotation;
  inputs.mode = state.mode;
  inputs.isoLevel = state.isoLevel;
  inputs.sliceCount = state.sliceCount;
  inputs.viewClip = state.viewClip;
  inputs.clipDistance = state.clipDistance;
  return inputs;
}

VolumePane::VolumePane(ViewState& state, const Volume& volume, int turntableFrames)
    : state_(state), volume_(volume), turntableFrames_(turntableFrames) {}

void VolumePane::Draw(const PaneRect& rect) {
  bool interactive = InteractionUnderway();
  if (BenchmarkRunning()) {
    interactive = PrepareBenchmarkFrame(state_.camera);
  } else if (turntableFrames_ > 0) {
    state_.camera.rotation = TurntableRotation(state_.camera.start, ScreenshotsTaken(), turntableFrames_);
  }
  ApplyCameraProjection(state_.camera, rect.width, rect.height);
  glLoadIdentity();
  ApplyCameraPan(state_.camera);
  DrawVolumeAtDetail(interactive, VolumeDrawInputs(state_));
  if (state_.layout == Layout::Quad) DrawCursorOutlines();
  DrawOrientationMarker(state_.camera.rotation, rect.width, rect.height);
}

void VolumePane::Press(const PaneRect&, const MouseButton& press) {
  if (press.button == GLUT_MIDDLE_BUTTON) panning_ = (press.modifiers & GLUT_ACTIVE_SHIFT) != 0;
}

void VolumePane::Drag(const PaneRect& rect, int x, int y) {
  if (gMiddleDown) {
    const int dx = x - gMouseOldX, dy = y - gMouseOldY;
    if (panning_) {
      PanCamera(state_.camera, dx, dy, rect.height);
    } else {
      TurnCamera(state_.camera, dx, dy);
    }
    gMouseOldX = x;
    gMouseOldY = y;
  } else if (gLightMode && gLeftDown) {
    SteerLight(x, y);
  } else if (gEditorVisible) {
    EditTransferAt(x, y);
  }
}

void VolumePane::Wheel(const PaneRect&, int steps, const MouseButton&) {
  ZoomCamera(state_.camera, steps);
}

std::string VolumePane::Status(const PaneRect&, int, int) const {
  return "Cursor " + PositionText(volume_.info(), state_.cursor) + ", " + VoxelText(volume_, state_.cursor);
}

// In the renderer's model frame, which the volume's drawing leaves on the
// modelview: the part on show centred, its longest side 200 units, turned.
void VolumePane::DrawCursorOutlines() const {
  const VolumeBox box = ViewedBox(state_.shownPart, volume_.info());
  const float* proportions = gRenderer.Proportions();
  std::array<double, 3> half{}, at{};
  bool inside[3];
  for (int a = 0; a < 3; ++a) {
    half[a] = kLongestSide * proportions[a] / 2;
    const double texture = (state_.cursor[a] + 0.5 - box.origin[a]) / box.extent[a];
    at[a] = (texture - 0.5) * 2 * half[a];
    inside[a] = texture >= 0 && texture <= 1;
  }
  const Rotation& r = state_.camera.rotation;
  const GLdouble columns[16] = {r[0], r[3], r[6], 0, r[1], r[4], r[7], 0, r[2], r[5], r[8], 0, 0, 0, 0, 1};
  const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_2D);
  glPushMatrix();
  glMultMatrixd(columns);
  glLineWidth(1.0f);
  for (int normal = 0; normal < 3; ++normal) {
    if (!inside[normal]) continue;
    const int u = (normal + 1) % 3, v = (normal + 2) % 3;
    SetPlaneColour(static_cast<SliceAxis>(normal));
    glBegin(GL_LINE_LOOP);
    for (const auto& corner : {std::array<double, 2>{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
      double p[3];
      p[normal] = at[normal];
      p[u] = corner[0] * half[u];
      p[v] = corner[1] * half[v];
      glVertex3dv(p);
    }
    glEnd();
  }
  glPopMatrix();
  if (textured) glEnable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
