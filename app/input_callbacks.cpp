#include "app/input_callbacks.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/context_menu.h"
#include "app/drag_commands.h"
#include "app/idle_callback.h"
#include "app/interactive_detail.h"
#include "app/startup.h"
#include "app/state_saving.h"
#include "app/transfer_files.h"
#include "app/transfer_presets.h"
#include "app/viewer.h"
#include "files/data_path.h"
#include "render/vol_render.h"
#include "sources/fluid_fields.h"
#include "transfer/transfer_editor.h"

namespace {

constexpr int kFullSliceCount = 1000;
constexpr unsigned char kCtrlS = 19;  // as GLUT reports ctrl+s

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
  gRenderer.LoadRawData(DataFilePath("result128.raw").c_str(), 128, 128, 128, 1);
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

// With a volume opened, its view takes the keys it has a use for first; f
// goes to the fluid and back to the volume as it was, and the fluid's own
// keys act only while it runs.
void OpenedVolumeKey(unsigned char key) {
  switch (key) {
    case 'f':
      ToggleFluidMode();
      if (!gFluidMode) ShowViewerVolumeAgain();
      return;
    case 'p':
    case 'r':
      if (gFluidMode) BuiltInKey(key);
      return;
    case kCtrlS:
      SaveStateNow();
      return;
    default:
      if (!ViewerKey(key)) BuiltInKey(key);
  }
}

}  // namespace

void KeyboardCallback(unsigned char key, int, int) {
  NoteKey(key);
  if (OpenedViewState() != nullptr) {
    OpenedVolumeKey(key);
    UpdateContextMenu(ViewerMenuWanted());  // w and f change where it is wanted
    RedrawAfterInput();
    RedrawAfterQuiet();
    SaveStateIfChanged();
  } else {
    BuiltInKey(key);
  }
  gRenderer.extraClipEnabled = gClipEnabled;
  gRenderer.clipDistance = gClipDistance;
}

void MouseCallback(int button, int state, int x, int y) {
  if (OpenedViewState() != nullptr) {
    ViewerMouse(button, state, x, y);
    RedrawAfterInput();
    if (button == 3 || button == 4) RedrawAfterQuiet();
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
  if (state != 0) SaveStateIfChanged();
}

void MotionCallback(int x, int y) {
  if (OpenedViewState() != nullptr) {
    ViewerMotion(x, y);
    RedrawAfterInput();
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
  if (OpenedViewState() == nullptr) return;
  ViewerSpecialKey(key, x, y);
  RedrawAfterInput();
  RedrawAfterQuiet();
  SaveStateIfChanged();
}

void PassiveMotionCallback(int x, int y) {
  if (OpenedViewState() == nullptr) return;
  // Only what follows the pointer needs a new frame: the status line, a
  // crop face lit under it.
  if (ViewerPassiveMotion(x, y)) RedrawAfterInput();
}
