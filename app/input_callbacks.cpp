#include "app/input_callbacks.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/drag_commands.h"
#include "app/interactive_detail.h"
#include "app/startup.h"
#include "app/transfer_files.h"
#include "app/transfer_presets.h"
#include "app/viewer.h"
#include "render/vol_render.h"
#include "sources/fluid_fields.h"
#include "transfer/transfer_editor.h"

namespace {

constexpr int kFullSliceCount = 1000;

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

void BuiltInKey(unsigned char key) {
  switch (key) {
    case '+': gSubVolumeSize -= 60; ReloadSubVolume(); break;
    case '-': gSubVolumeSize += 60; ReloadSubVolume(); break;
    case '4': gSubVolumeOffset[0] -= 40; ReloadSubVolume(); break;
    case '6': gSubVolumeOffset[0] += 40; ReloadSubVolume(); break;
    case 'a': ToggleFullSlices(); break;
    case 'b': gClipDistance += 2; break;
    case 'c': gClipEnabled = !gClipEnabled; break;
    case 'f': ToggleFluidMode(); break;
    case 'k': NextPreset(TransferWindow()); break;  // presets exist only for an opened volume
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
}

}  // namespace

void KeyboardCallback(unsigned char key, int, int) {
  NoteKey(key);
  // With a volume opened, its view takes the keys it has a use for first.
  if (OpenedViewState() == nullptr || !ViewerKey(key)) BuiltInKey(key);
  gRenderer.extraClipEnabled = gClipEnabled;
  gRenderer.clipDistance = gClipDistance;
}

void MouseCallback(int button, int state, int x, int y) {
  if (OpenedViewState() != nullptr) {
    ViewerMouse(button, state, x, y);
  } else {
    if (button < 0 || button > 2) return;
    gMouseX = gMouseOldX = x;
    gMouseY = gMouseOldY = y;
    const bool down = state == 0;
    if (button == 0) gLeftDown = down;
    if (button == 1) gMiddleDown = down;
    if (button == 2) gRightDown = down;
  }
  if (button >= 0 && button <= 2 && state != 0) SaveTransferIfEdited(TransferWindow());
}

void MotionCallback(int x, int y) {
  if (OpenedViewState() != nullptr) {
    ViewerMotion(x, y);
    return;
  }
  gMouseX = x;
  gMouseY = y;
  if (gMiddleDown) {
    AccumulateDrag(x, y);
    gRenderer.angleZ = gDragAngleH;
    gRenderer.angleX = gDragAngleV;
  } else if (gLightMode && gLeftDown) {
    SteerLight(x, y);
  } else if (gEditorVisible) {
    EditTransferAt(x, y);
  }
}

void SpecialCallback(int key, int x, int y) {
  if (OpenedViewState() != nullptr) ViewerSpecialKey(key, x, y);
}

void PassiveMotionCallback(int x, int y) {
  if (OpenedViewState() != nullptr) ViewerPassiveMotion(x, y);
}
