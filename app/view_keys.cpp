#include "app/view_keys.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>

#include "app/pane_layout.h"
#include "app/volume_camera.h"
#include "app/volume_cuts.h"

namespace {

constexpr int32_t kSliceStep = 5;
constexpr int32_t kFullSliceCount = 1000;
constexpr int32_t kClipStep = 2;
constexpr float kIsoStep = 0.01f;
constexpr unsigned char kEscape = 27;

std::string Format(const char* format, const char* text, double number = 0) {
  char line[128];
  std::snprintf(line, sizeof line, format, text, number);
  return line;
}

KeyOutcome Handled(std::string line = "") { return {true, std::move(line), false}; }

KeyOutcome ShowSide(CameraState& camera, AnatomicalView view, const KeyContext& context) {
  camera.rotation = ViewRotation(view);
  if (context.visible) FrameBoxes(camera, context.visible());
  return Handled(Format("View: %s", AnatomicalViewName(view)));
}

KeyOutcome NextMode(ViewState& state, const KeyContext& context) {
  // Modes this GL cannot draw are passed over, each with its line.
  RenderMode next = NextRenderMode(state.mode);
  while (next != RenderMode::Composite && context.modeAvailable && !context.modeAvailable(next)) {
    next = NextRenderMode(next);
  }
  state.mode = next;
  return Handled(Format("Render mode: %s", RenderModeName(next)));
}

KeyOutcome StepIso(ViewState& state, float step) {
  state.isoLevel = std::clamp(state.isoLevel + step, 0.0f, 1.0f);
  const double value = state.window.low + (state.window.high - state.window.low) * state.isoLevel;
  char line[64];
  std::snprintf(line, sizeof line, "Iso value: %g", value);
  return Handled(line);
}

void ToggleFullSlices(ViewState& state) {
  if (state.savedSliceCount == 0) {
    state.savedSliceCount = state.sliceCount;
    state.sliceCount = kFullSliceCount;
  } else {
    state.sliceCount = state.savedSliceCount;
    state.savedSliceCount = 0;
  }
}

KeyOutcome ShowLayout(ViewState& state, Layout layout) {
  state.layout = layout;
  return Handled(Format("Layout: %s", LayoutName(layout)));
}

std::string PlanesLine(const std::array<bool, 3>& planes) {
  static const char* const kNames[3] = {"sagittal", "coronal", "axial"};
  std::string line;
  for (int axis : {2, 1, 0}) {
    if (planes[axis]) line += std::string(line.empty() ? "" : ", ") + kNames[axis];
  }
  return "Planes: " + (line.empty() ? std::string("off") : line);
}

KeyOutcome FreezeOrRelease(ViewState& state, const KeyContext& context) {
  if (state.clip.on) {
    state.clip.on = false;
    return Handled("Clip: released");
  }
  if (!state.viewClip || context.volume == nullptr) return Handled("Clip: key c first shows the plane to freeze");
  state.clip = FreezeViewClip(*context.volume, ViewedBox(state.shownPart, *context.volume), context.proportions,
                              state.camera.rotation, state.clipDistance);
  state.viewClip = false;
  return Handled(ClipLine(state.clip));
}

}  // namespace

void ResetCamera(CameraState& camera, const std::vector<ModelBox>& visible) {
  camera.rotation = ViewRotation(camera.start.view);
  camera.zoom = camera.start.zoom;
  camera.orthographic = camera.start.orthographic;
  camera.panX = camera.panY = 0.0;
  FrameBoxes(camera, visible);
}

KeyOutcome ApplyViewKey(ViewState& state, unsigned char key, const KeyContext& context) {
  CameraState& camera = state.camera;
  switch (key) {
    case 'A': return ShowSide(camera, AnatomicalView::Anterior, context);
    case 'P': return ShowSide(camera, AnatomicalView::Posterior, context);
    case 'L': return ShowSide(camera, AnatomicalView::Left, context);
    case 'R': return ShowSide(camera, AnatomicalView::Right, context);
    case 'S': return ShowSide(camera, AnatomicalView::Superior, context);
    case 'I': return ShowSide(camera, AnatomicalView::Inferior, context);
    case '0': {
      ResetCamera(camera, context.visible ? context.visible() : std::vector<ModelBox>{});
      state.slicePanes = {};
      char line[96];
      std::snprintf(line, sizeof line, "View: %s, zoom %g", AnatomicalViewName(camera.start.view),
                    camera.zoom);
      return Handled(line);
    }
    case 'o':
      camera.orthographic = !camera.orthographic;
      return Handled(Format("Projection: %s", camera.orthographic ? "orthographic" : "perspective"));
    case 'm': return NextMode(state, context);
    case '[': return StepIso(state, -kIsoStep);
    case ']': return StepIso(state, kIsoStep);
    case 'z': state.sliceCount += kSliceStep; return Handled();
    case 's': state.sliceCount -= kSliceStep; return Handled();
    case 'a': ToggleFullSlices(state); return Handled();
    case 'c': state.viewClip = !state.viewClip; return Handled();
    case 'b': state.clipDistance += kClipStep; return Handled();
    case 'n': state.clipDistance -= kClipStep; return Handled();
    case 'v': return ShowLayout(state, static_cast<Layout>((static_cast<int>(state.layout) + 1) % kLayoutCount));
    case 'N':
      state.neurological = !state.neurological;
      return Handled(state.neurological ? "Slices: neurological (the patient's left on the left)"
                                        : "Slices: radiological (the patient's left on the right)");
    case 'i':
      state.sampling = state.sampling == Sampling::Linear ? Sampling::Nearest : Sampling::Linear;
      return Handled(state.sampling == Sampling::Linear ? "Slices: linear" : "Slices: nearest voxel");
    case 'B':
      state.cropHandles = !state.cropHandles;
      return Handled(state.cropHandles ? "Crop box: shown; drag its faces" : "Crop box: hidden");
    case 'U':
      if (context.volume == nullptr) break;
      state.crop = WholeCrop(*context.volume);
      return Handled(CropLine(*context.volume, state.crop));
    case 'F': return FreezeOrRelease(state, context);
    case 'C':
      state.caps = !state.caps;
      return Handled(state.caps ? "Caps: on" : "Caps: off");
    case 'G': {
      const bool shown = state.planes[0] || state.planes[1] || state.planes[2];
      state.planes = shown ? std::array<bool, 3>{} : state.chosenPlanes;
      return Handled(PlanesLine(state.planes));
    }
    case 'h':
      state.help = !state.help;
      return Handled();
    case 'H':
      state.clean = !state.clean;
      return Handled(state.clean ? "Overlays: hidden" : "Overlays: shown");
    case kEscape:
      if (!state.ruler.shown) break;
      state.ruler.shown = false;
      return Handled();
    case '+':
    case '-':
    case '4':
    case '6':
      if (context.volume == nullptr || !StepVolumeView(state.shownPart, key, *context.volume)) break;
      return {true, "", true};
    default: break;
  }
  return {};
}

KeyOutcome ApplyViewSpecialKey(ViewState& state, int key) {
  if (key < GLUT_KEY_F1 || key >= GLUT_KEY_F1 + kLayoutCount) return {};
  return ShowLayout(state, static_cast<Layout>(key - GLUT_KEY_F1));
}
