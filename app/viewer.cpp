#include "app/viewer.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "app/app_state.h"
#include "app/benchmark_run.h"
#include "app/interactive_detail.h"
#include "app/opened_volume.h"
#include "app/view_keys.h"
#include "app/volume_camera.h"
#include "app/volume_pane.h"
#include "render/vol_render.h"

namespace {

struct PlacedPane {
  std::unique_ptr<Pane> pane;
  PaneRect rect;
};

struct Viewer {
  ViewState state;
  int maxSize = 256;
  int turntableFrames = 0;
  std::vector<PlacedPane> panes;
  // The pane a mouse press went to holds the mouse until the last release.
  Pane* holder = nullptr;
  PaneRect holderRect;
};

std::optional<Viewer> gViewer;

bool AnyButtonDown() { return gLeftDown || gMiddleDown || gRightDown; }

PlacedPane* PaneAt(int x, int y) {
  for (PlacedPane& placed : gViewer->panes) {
    if (placed.rect.Contains(x, y)) return &placed;
  }
  return nullptr;
}

void LayOutPanes() {
  for (PlacedPane& placed : gViewer->panes) placed.rect = {0, 0, gWindowWidth, gWindowHeight};
}

KeyContext Context() {
  KeyContext context;
  context.volume = &OpenedVolume()->info();
  context.modeAvailable = [](RenderMode mode) { return gRenderer.PrepareRenderMode(mode); };
  return context;
}

}  // namespace

void CreateViewer(const ViewerOptions& options) {
  gViewer.emplace();
  ViewState& state = gViewer->state;
  const VolumeInfo& info = OpenedVolume()->info();
  state.window = StartWindow(options);
  state.shownPart = WholeVolumeView(info);
  CameraStart start = options.camera;
  if (!options.viewGiven) start.view = FacingView(info.sizes, info.spacing);
  state.camera = StartCamera(start);
  // Values beyond the window reach the texture as its ends.
  const IntensityWindow& window = state.window;
  const double level = options.iso ? (*options.iso - window.low) / (window.high - window.low) : 0.5;
  state.isoLevel = static_cast<float>(std::clamp(level, 0.0, 1.0));
  gViewer->maxSize = options.maxSize;
  gViewer->turntableFrames = options.turntable;
}

ViewState* OpenedViewState() { return gViewer ? &gViewer->state : nullptr; }

void StartViewer(const ViewerOptions& options) {
  ViewState& state = gViewer->state;
  ShowOpenedVolume(state.shownPart, state.window, gViewer->maxSize, false);
  state.sliceCount = options.slices.value_or(OpenedVolumeSliceCount());
  SetUpInteractiveDetail(options.interactiveMs, state.sliceCount);
  if (options.benchmark > 0) RequestBenchmark(options.benchmark);
  // A mode this GL cannot draw leaves composite on, after the line saying why.
  if (options.mode != RenderMode::Composite && gRenderer.PrepareRenderMode(options.mode)) {
    state.mode = options.mode;
  }
  gViewer->panes.push_back({std::make_unique<VolumePane>(state, gViewer->turntableFrames), {}});
  LayOutPanes();
}

void DrawViewer() {
  LayOutPanes();
  for (PlacedPane& placed : gViewer->panes) {
    SetPaneViewport(placed.rect, gWindowHeight);
    placed.pane->Draw(placed.rect);
  }
  glViewport(0, 0, gWindowWidth, gWindowHeight);
}

bool ViewerKey(unsigned char key) {
  ViewState& state = gViewer->state;
  const KeyOutcome outcome = ApplyViewKey(state, key, Context());
  if (!outcome.handled) return false;
  if (!outcome.line.empty()) std::printf("%s\n", outcome.line.c_str());
  if (outcome.shownPartChanged) ShowOpenedVolume(state.shownPart, state.window, gViewer->maxSize, true);
  return true;
}

void ViewerMouse(int button, int state, int x, int y) {
  const MouseButton event{button, x, y, glutGetModifiers()};
  // The wheel comes as buttons 3 (up, zooming in) and 4.
  if (button == 3 || button == 4) {
    NoteWheel();
    if (state != GLUT_DOWN) return;
    if (PlacedPane* placed = PaneAt(x, y)) placed->pane->Wheel(placed->rect, button == 3 ? 1 : -1, event);
    return;
  }
  if (button < 0 || button > 2) return;
  gMouseX = gMouseOldX = x;
  gMouseY = gMouseOldY = y;
  const bool down = state == GLUT_DOWN;
  if (button == 0) gLeftDown = down;
  if (button == 1) gMiddleDown = down;
  if (button == 2) gRightDown = down;
  if (down && gViewer->holder == nullptr) {
    if (PlacedPane* placed = PaneAt(x, y)) {
      gViewer->holder = placed->pane.get();
      gViewer->holderRect = placed->rect;
    }
  }
  if (gViewer->holder == nullptr) return;
  if (down) {
    gViewer->holder->Press(gViewer->holderRect, event);
  } else {
    gViewer->holder->Release(gViewer->holderRect, event);
    if (!AnyButtonDown()) gViewer->holder = nullptr;
  }
}

void ViewerMotion(int x, int y) {
  gMouseX = x;
  gMouseY = y;
  if (gViewer->holder != nullptr) gViewer->holder->Drag(gViewer->holderRect, x, y);
}

IntensityWindow TransferWindow() { return gViewer ? gViewer->state.window : IntensityWindow{0, 1}; }
