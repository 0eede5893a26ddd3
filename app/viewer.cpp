// Sections: the viewer and its panes, start, drawing, keys, mouse.
#include "app/viewer.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "app/app_state.h"
#include "app/benchmark_run.h"
#include "app/context_menu.h"
#include "app/cursor_text.h"
#include "app/interactive_detail.h"
#include "app/opened_volume.h"
#include "app/pane_layout.h"
#include "app/slice_pane.h"
#include "app/state_file.h"
#include "app/state_saving.h"
#include "app/status_pane.h"
#include "app/transfer_files.h"
#include "app/view_keys.h"
#include "app/volume_camera.h"
#include "app/volume_cuts.h"
#include "app/volume_pane.h"
#include "files/volume_space.h"
#include "files/window_histogram.h"
#include "render/vol_render.h"

namespace {

constexpr int kPaneKinds = 5;

struct Viewer {
  ViewState state;
  int maxSize = 256;
  int turntableFrames = 0;
  std::array<std::unique_ptr<Pane>, kPaneKinds> panes;  // by PaneKind
  std::vector<PanePlacement> placed;
  // The pane a mouse press went to holds the mouse until the last release.
  Pane* holder = nullptr;
  PaneRect holderRect;
  int pointerX = -1, pointerY = -1;
};

std::optional<Viewer> gViewer;

bool AnyButtonDown() { return gLeftDown || gMiddleDown || gRightDown; }

Pane* PaneOf(PaneKind kind) { return gViewer->panes[static_cast<int>(kind)].get(); }

const PanePlacement* PlacementAt(int x, int y) {
  for (const PanePlacement& placed : gViewer->placed) {
    if (placed.rect.Contains(x, y)) return &placed;
  }
  return nullptr;
}

void LayOutPanes() {
  const ViewState& state = gViewer->state;
  gViewer->placed = ArrangePanes(state.layout, gWindowWidth, gWindowHeight, !state.clean);
}

// The bricks the transfer function leaves visible, in model units; all of
// the part on show when none is.
std::vector<ModelBox> VisibleModelBoxes() {
  std::vector<TextureBox> bricks = gRenderer.VisibleBricks();
  if (bricks.empty()) bricks.push_back(WholeTextureBox());
  const float* proportions = gRenderer.Proportions();
  std::vector<ModelBox> boxes(bricks.size());
  for (size_t b = 0; b < bricks.size(); ++b) {
    for (int a = 0; a < 3; ++a) {
      boxes[b].low[a] = (bricks[b].lo[a] - 0.5) * kLongestSide * proportions[a];
      boxes[b].high[a] = (bricks[b].hi[a] - 0.5) * kLongestSide * proportions[a];
    }
  }
  return boxes;
}

KeyContext Context() {
  KeyContext context;
  context.visible = VisibleModelBoxes;
  context.volume = &OpenedVolume()->info();
  context.modeAvailable = [](RenderMode mode) { return gRenderer.PrepareRenderMode(mode); };
  const float* proportions = gRenderer.Proportions();
  context.proportions = {proportions[0], proportions[1], proportions[2]};
  return context;
}

void Report(const KeyOutcome& outcome) {
  if (!outcome.line.empty()) std::printf("%s\n", outcome.line.c_str());
  if (outcome.shownPartChanged) {
    const ViewState& state = gViewer->state;
    ShowOpenedVolume(state.shownPart, state.window, gViewer->maxSize, true);
  }
}

// How the volume is drawn, then what lies under the pointer (or the
// cursor when nothing does), then where help is.
std::string StatusText() {
  const ViewState& state = gViewer->state;
  char drawn[160];
  std::snprintf(drawn, sizeof drawn, "%s | %s | window %g:%g | %d slices | zoom %.2f | ", RenderModeName(state.mode),
                TransferTableName().c_str(), state.window.low, state.window.high, state.sliceCount, state.camera.zoom);
  std::string under;
  if (const PanePlacement* placed = PlacementAt(gViewer->pointerX, gViewer->pointerY)) {
    under = PaneOf(placed->kind)->Status(placed->rect, gViewer->pointerX, gViewer->pointerY);
  }
  if (under.empty()) {
    under = "cursor " + PositionText(OpenedVolume()->info(), state.cursor) + ", " +
            VoxelText(*OpenedVolume(), state.cursor);
  }
  return drawn + under + " | h: help";
}

std::array<double, 3> StartCursor(const ViewerOptions& options, const VolumeInfo& info) {
  Point3 cursor{};
  for (int a = 0; a < 3; ++a) cursor[a] = static_cast<double>(info.sizes[a] - 1) / 2;
  if (options.cursor) cursor = RasToCanonical(info, *options.cursor);
  if (options.cursorVoxel) {
    const std::array<int64_t, 3> voxel = FileToCanonicalIndex(info, *options.cursorVoxel);
    for (int a = 0; a < 3; ++a) cursor[a] = static_cast<double>(voxel[a]);
  }
  if (ClampToVolume(info, cursor)) {
    std::printf("Cursor outside the volume, moved to its edge: %s\n", PositionText(info, cursor).c_str());
  }
  return cursor;
}

// Otsu's split of the windowed values, so the first iso-surface closes
// around the tissue instead of cutting it at the window's middle. A sample
// of some two million voxels decides it as well as all of them.
double StartIsoLevel(const IntensityWindow& window) {
  const Volume& volume = *OpenedVolume();
  constexpr size_t kSamples = 2 << 20;
  return OtsuLevel(WindowCounts(volume, window, volume.voxelCount() / kSamples + 1));
}

}  // namespace

// --- start -------------------------------------------------------------

bool CreateViewer(const ViewerOptions& options) {
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
  const double level = options.iso ? (*options.iso - window.low) / (window.high - window.low) : StartIsoLevel(window);
  state.isoLevel = static_cast<float>(std::clamp(level, 0.0, 1.0));
  state.layout = options.layout;
  state.cursor = StartCursor(options, info);
  state.sliceWindow = options.sliceWindow.value_or(state.window);
  state.neurological = options.neurological;
  state.sampling = options.nearest ? Sampling::Nearest : Sampling::Linear;
  state.crop = WholeCrop(info);
  if (options.crop) {
    const std::optional<CropBox> crop = CropFromRas(info, *options.crop);
    if (!crop) {
      const std::string whole = CropLine(info, WholeCrop(info));
      std::fprintf(stderr, "volview: --crop: the box keeps nothing of the volume, which spans %s\n%s\n",
                   whole.substr(whole.find(": ") + 2).c_str(), kUsageLine);
      return false;
    }
    state.crop = *crop;
  }
  if (options.clip) state.clip = *ClipFromNumbers(*options.clip);
  state.caps = options.caps;
  state.clean = options.clean;
  if (options.planes) state.planes = state.chosenPlanes = *options.planes;
  if (options.restored) ApplyRestoredView(*options.restored, info, state);
  gViewer->maxSize = options.maxSize;
  gViewer->turntableFrames = options.turntable;
  return true;
}

ViewState* OpenedViewState() { return gViewer ? &gViewer->state : nullptr; }

void StartViewer(const ViewerOptions& options) {
  ViewState& state = gViewer->state;
  ShowOpenedVolume(state.shownPart, state.window, gViewer->maxSize, false);
  // A saved view keeps its own framing unless an option turned it anew.
  if (!options.restored || !options.restored->fitHalfSide) FrameBoxes(state.camera, VisibleModelBoxes());
  state.sliceCount = options.slices.value_or(OpenedVolumeSliceCount());
  state.frontToBack = !options.backToFront;
  DrawInputs frontToBack;
  frontToBack.frontToBack = state.frontToBack;
  SetUpInteractiveDetail(options.interactiveMs, state.sliceCount, gRenderer.DrawsFrontToBack(frontToBack));
  state.stopOpacity = options.stopOpacity;
  if (options.benchmark > 0) RequestBenchmark(options.benchmark, options.interactiveMs);
  // A mode this GL cannot draw leaves composite on, after the line saying why.
  if (options.mode != RenderMode::Composite && gRenderer.PrepareRenderMode(options.mode)) {
    state.mode = options.mode;
  }
  // Init leaves the shader programs in use; the 3D view turns them on for
  // its own drawing, and the other panes draw without them.
  cgGLDisableProfile(gRenderer.vertexProfile);
  cgGLDisableProfile(gRenderer.fragmentProfile);
  const Volume& volume = *OpenedVolume();
  auto& panes = gViewer->panes;
  panes[static_cast<int>(PaneKind::Volume)] = std::make_unique<VolumePane>(state, volume, gViewer->turntableFrames);
  panes[static_cast<int>(PaneKind::Axial)] = std::make_unique<SlicePane>(state, volume, SliceAxis::Axial);
  panes[static_cast<int>(PaneKind::Coronal)] = std::make_unique<SlicePane>(state, volume, SliceAxis::Coronal);
  panes[static_cast<int>(PaneKind::Sagittal)] = std::make_unique<SlicePane>(state, volume, SliceAxis::Sagittal);
  panes[static_cast<int>(PaneKind::Status)] = std::make_unique<StatusPane>(StatusText);
  LayOutPanes();
  CreateContextMenu();
  if (options.restored && options.restored->light) gRenderer.SetLightPosition(options.restored->light->data());
  StartSavingState(options);
}

// --- drawing -----------------------------------------------------------

void DrawViewer() {
  LayOutPanes();
  for (const PanePlacement& placed : gViewer->placed) {
    SetPaneViewport(placed.rect, gWindowHeight);
    PaneOf(placed.kind)->Draw(placed.rect);
  }
  glViewport(0, 0, gWindowWidth, gWindowHeight);
}

// --- keys --------------------------------------------------------------

bool ViewerKey(unsigned char key) {
  const KeyOutcome outcome = ApplyViewKey(gViewer->state, key, Context());
  if (!outcome.handled) return false;
  Report(outcome);
  return true;
}

void ViewerSpecialKey(int key, int x, int y) {
  NoteKey(static_cast<unsigned char>(0x80 | key));
  const KeyOutcome outcome = ApplyViewSpecialKey(gViewer->state, key);
  if (outcome.handled) {
    Report(outcome);
    return;
  }
  if (const PanePlacement* placed = PlacementAt(x, y)) {
    PaneOf(placed->kind)->SpecialKey(placed->rect, key, glutGetModifiers());
  }
}

// --- mouse -------------------------------------------------------------

void ViewerMouse(int button, int state, int x, int y) {
  const MouseButton event{button, x, y, glutGetModifiers()};
  gViewer->pointerX = x;
  gViewer->pointerY = y;
  // The wheel comes as buttons 3 (up, away from the user) and 4.
  if (button == 3 || button == 4) {
    NoteWheel();
    if (state != GLUT_DOWN) return;
    if (const PanePlacement* placed = PlacementAt(x, y)) {
      PaneOf(placed->kind)->Wheel(placed->rect, button == 3 ? 1 : -1, event);
    }
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
    if (const PanePlacement* placed = PlacementAt(x, y)) {
      gViewer->holder = PaneOf(placed->kind);
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
  gViewer->pointerX = x;
  gViewer->pointerY = y;
  if (gViewer->holder != nullptr) gViewer->holder->Drag(gViewer->holderRect, x, y);
}

bool ViewerPassiveMotion(int x, int y) {
  gViewer->pointerX = x;
  gViewer->pointerY = y;
  UpdateContextMenu(ViewerMenuWanted());
  if (const PanePlacement* placed = PlacementAt(x, y)) PaneOf(placed->kind)->Hover(placed->rect, x, y);
  return gViewer->state.layout != Layout::Volume3d || gViewer->state.cropHandles;
}

void ViewerSetMode(RenderMode mode) {
  if (!gRenderer.PrepareRenderMode(mode)) return;
  gViewer->state.mode = mode;
  std::printf("Render mode: %s\n", RenderModeName(mode));
}

bool ViewerMenuWanted() {
  if (gEditorVisible || gFluidMode) return false;
  const PanePlacement* placed = PlacementAt(gViewer->pointerX, gViewer->pointerY);
  return placed != nullptr && (placed->kind == PaneKind::Volume || placed->kind == PaneKind::Status);
}

void ShowViewerVolumeAgain() {
  const ViewState& state = gViewer->state;
  ShowOpenedVolume(state.shownPart, state.window, gViewer->maxSize, true);
}

IntensityWindow TransferWindow() { return gViewer ? gViewer->state.window : IntensityWindow{0, 1}; }
