#include "app/input_callbacks.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/interactive_detail.h"
#include "app/opened_volume.h"
#include "app/startup.h"
#include "app/transfer_files.h"
#include "app/volume_camera.h"
#include "app/volume_mode.h"
#include "app/transfer_presets.h"
#include "render/vol_render.h"
#include "sources/fluid_fields.h"
#include "transfer/transfer_editor.h"

namespace {

constexpr int kFullSliceCount = 1000;

// A middle drag begun with shift held pans an opened volume.
bool gPanning = false;

void ReloadSubVolume() {
  gRenderer.LoadRawSubVolume("g:/Ima3D_234c.raw", 1024, 1024, 741, 1, gSubVolumeOffset[0],
                             gSubVolumeOffset[1], gSubVolumeOffset[2], gSubVolumeSize,
                             gSubVolumeSize, gSubVolumeSize, -1, -1, -1);
  gRenderer.BuildGradients();
}

void ChangeSliceCount(int delta) {
  gRenderer.sliceCount += delta;
  gRenderer.BuildSlices();
}

// Key a: switch to 1000 slices, or back to the count saved when that began.
void ToggleFullSlices() {
  if (gSavedSliceCount == 0) {
    gSavedSliceCount = gRenderer.sliceCount;
    gRenderer.sliceCount = kFullSliceCount;
    gRenderer.BuildSlices();
  } else {
    gRenderer.sliceCount = gSavedSliceCount;
    gRenderer.BuildSlices();
    gSavedSliceCount = 0;
  }
}

void ToggleFluidMode() {
  if (!EnsureFluidFields()) {
    std::fprintf(stderr, "Not enough memory for the fluid\n");
    return;
  }
  gFluidMode = !gFluidMode;
  gRenderer.LoadRawData("result128.raw", 128, 128, 128, 1);
  gRenderer.BuildGradients();
}

// Rotation and light steering share the drag accumulators.
void AccumulateDrag(int x, int y) {
  gDragAngleH -= static_cast<float>(x - gMouseOldX);
  gDragAngleV -= static_cast<float>(y - gMouseOldY);
  gMouseOldX = x;
  gMouseOldY = y;
}

}  // namespace

void KeyboardCallback(unsigned char key, int, int) {
  NoteKey(key);
  // With a volume opened, + - 4 6 look into it instead of the large raw
  // file, and its camera and mode keys act.
  if (!StepOpenedVolume(key) && !VolumeCameraKey(key) && !VolumeModeKey(key)) switch (key) {
    case '+': gSubVolumeSize -= 60; ReloadSubVolume(); break;
    case '-': gSubVolumeSize += 60; ReloadSubVolume(); break;
    case '4': gSubVolumeOffset[0] -= 40; ReloadSubVolume(); break;
    case '6': gSubVolumeOffset[0] += 40; ReloadSubVolume(); break;
    case 'a': ToggleFullSlices(); break;
    case 'b': gClipDistance += 2; break;
    case 'c': gClipEnabled = !gClipEnabled; break;
    case 'f': ToggleFluidMode(); break;
    case 'k': NextPreset(); break;  // presets exist only for an opened volume
    case 'l': gLightMode = !gLightMode; break;
    case 'n': gClipDistance -= 2; break;
    case 'p': gPaused = !gPaused; break;
    case 'q': std::exit(0);
    case 'r': if (gDensity != nullptr) ClearFluidFields(); break;  // none made yet
    case 's': ChangeSliceCount(-5); break;
    case 'w': gEditorVisible = !gEditorVisible; break;
    case 'x': gTransferEditor.NextChannel(); break;
    case 'z': ChangeSliceCount(5); break;
    default: break;
  }
  gRenderer.extraClipEnabled = gClipEnabled;
  gRenderer.clipDistance = gClipDistance;
}

void MouseCallback(int button, int state, int x, int y) {
  // The wheel comes as buttons 3 (up, zooming in) and 4.
  if (VolumeCameraActive() && (button == 3 || button == 4)) {
    NoteWheel();
    if (state == GLUT_DOWN) ZoomVolume(button == 3 ? 1 : -1);
    return;
  }
  if (button < 0 || button > 2) return;
  if (button == GLUT_MIDDLE_BUTTON && state == GLUT_DOWN) {
    gPanning = (glutGetModifiers() & GLUT_ACTIVE_SHIFT) != 0;
  }
  gMouseX = gMouseOldX = x;
  gMouseY = gMouseOldY = y;
  const bool down = state == 0;
  if (button == 0) gLeftDown = down;
  if (button == 1) gMiddleDown = down;
  if (button == 2) gRightDown = down;
  if (!down) SaveTransferIfEdited();
}

void MotionCallback(int x, int y) {
  gMouseX = x;
  gMouseY = y;
  if (gMiddleDown && VolumeCameraActive()) {
    DragVolume(x - gMouseOldX, y - gMouseOldY, gPanning);
    gMouseOldX = x;
    gMouseOldY = y;
  } else if (gMiddleDown) {
    AccumulateDrag(x, y);
    gRenderer.angleZ = gDragAngleH;
    gRenderer.angleX = gDragAngleV;
  } else if (gLightMode && gLeftDown) {
    AccumulateDrag(x, y);
    const double theta = gDragAngleH * 0.01;
    gLightPos[0] = static_cast<float>(std::cos(theta));
    gLightPos[1] = static_cast<float>(std::sin(theta));
    gRenderer.SetLightPosition(gLightPos);
  } else if (gEditorVisible) {
    gTransferEditor.Edit(x - 230, 270 - y);
    gRenderer.SetTransferFunction(gTransferEditor.Table());
    gMouseX = gMouseOldX;
    gMouseY = gMouseOldY;
  }
}
