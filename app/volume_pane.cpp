#include "app/volume_pane.h"

#include <GL/freeglut.h>

#include "app/app_state.h"
#include "app/benchmark_run.h"
#include "app/drag_commands.h"
#include "app/interactive_detail.h"
#include "app/orientation_marker.h"
#include "app/screenshot.h"
#include "app/volume_camera.h"

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

VolumePane::VolumePane(ViewState& state, int turntableFrames)
    : state_(state), turntableFrames_(turntableFrames) {}

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
