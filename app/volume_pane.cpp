#include "app/volume_pane.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/benchmark_run.h"
#include "app/cursor_text.h"
#include "app/drag_commands.h"
#include "app/interactive_detail.h"
#include "app/orientation_marker.h"
#include "app/screenshot.h"
#include "app/slice_pane.h"
#include "app/volume_cuts.h"
#include "app/volume_camera.h"
#include "render/vol_render.h"

namespace {

// Lines in the renderer's model frame, turned as the volume is, untextured,
// for as long as it lives.
class ModelFrameLines {
public:
  explicit ModelFrameLines(const Rotation& r) : textured_(glIsEnabled(GL_TEXTURE_2D)) {
    const GLdouble columns[16] = {r[0], r[3], r[6], 0, r[1], r[4], r[7], 0, r[2], r[5], r[8], 0, 0, 0, 0, 1};
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    glMultMatrixd(columns);
  }
  ~ModelFrameLines() {
    glPopMatrix();
    if (textured_) glEnable(GL_TEXTURE_2D);
  }
  ModelFrameLines(const ModelFrameLines&) = delete;
  ModelFrameLines& operator=(const ModelFrameLines&) = delete;

private:
  GLboolean textured_;
};

}  // namespace

DrawInputs VolumeDrawInputs(const ViewState& state, const VolumeInfo& info) {
  DrawInputs inputs;
  ShownMapping(info, ViewedBox(state.shownPart, info), inputs);
  inputs.cuts = RendererCuts(info, state);
  inputs.orientation = state.camera.rotation;
  inputs.mode = state.mode;
  inputs.isoLevel = state.isoLevel;
  inputs.sliceCount = state.sliceCount;
  inputs.viewClip = state.viewClip;
  inputs.clipDistance = state.clipDistance;
  inputs.frontToBack = state.frontToBack;
  inputs.stopOpacity = state.stopOpacity;
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
  UpdatePlanePictures();
  if (state_.camera.framePending && !interactive) FrameWhatIsDrawn(rect);
  ApplyCameraProjection(state_.camera, rect.width, rect.height);
  glLoadIdentity();
  ApplyCameraPan(state_.camera);
  DrawVolumeAtDetail(interactive, VolumeDrawInputs(state_, volume_.info()));
  if (state_.layout == Layout::Quad) DrawCursorOutlines();
  if (state_.cropHandles) DrawCropBox();
  if (!state_.clean) DrawOrientationMarker(state_.camera.rotation, rect.width, rect.height);
}

void VolumePane::FrameWhatIsDrawn(const PaneRect& rect) {
  CameraState& camera = state_.camera;
  const double zoom = camera.zoom;
  camera.zoom = 1.0;
  ApplyCameraProjection(camera, rect.width, rect.height);
  glLoadIdentity();
  ApplyCameraPan(camera);
  // What the transfer function leaves visible: the cuts, which the user
  // moves about inside the framed volume, are left out.
  DrawInputs whole = VolumeDrawInputs(state_, volume_.info());
  whole.cuts = VolumeCuts{};
  whole.viewClip = false;
  DrawVolumeAtDetail(false, whole);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  framingPixels_.resize(static_cast<size_t>(rect.width) * rect.height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(viewport[0], viewport[1], rect.width, rect.height, GL_RGBA, GL_UNSIGNED_BYTE, framingPixels_.data());
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  // A step a little above the dither of a blend over the background.
  constexpr int kSeen = 6;
  DrawnBounds drawn{rect.width, rect.height, -1, -1};
  for (int row = 0; row < rect.height; ++row) {
    const uint8_t* pixel = framingPixels_.data() + static_cast<size_t>(row) * rect.width * 4;
    for (int x = 0; x < rect.width; ++x, pixel += 4) {
      bool seen = false;
      for (int c = 0; c < 3; ++c) seen = seen || std::abs(pixel[c] - static_cast<int>(clear[c] * 255 + 0.5f)) > kSeen;
      if (!seen) continue;
      const int y = rect.height - 1 - row;  // GL's rows count from the bottom
      drawn = {std::min(drawn.left, x), std::min(drawn.top, y), std::max(drawn.right, x), std::max(drawn.bottom, y)};
    }
  }
  FrameDrawn(camera, drawn, rect.width, rect.height);
  camera.zoom = zoom;
  camera.framePending = false;
  glEnable(GL_SCISSOR_TEST);
  glScissor(viewport[0], viewport[1], rect.width, rect.height);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

void VolumePane::Press(const PaneRect& rect, const MouseButton& press) {
  if (press.button != GLUT_RIGHT_BUTTON) panning_ = (press.modifiers & GLUT_ACTIVE_SHIFT) != 0;
  if (press.button == GLUT_LEFT_BUTTON && state_.cropHandles) {
    dragged_ = FaceAt(rect, press.x, press.y);
    lastX_ = press.x;
    lastY_ = press.y;
  }
}

void VolumePane::Release(const PaneRect& rect, const MouseButton& release) {
  if (release.button != GLUT_LEFT_BUTTON || dragged_.axis < 0) return;
  Drag(rect, release.x, release.y);
  dragged_ = {};
  std::printf("%s\n", CropLine(volume_.info(), state_.crop).c_str());
}

void VolumePane::Hover(const PaneRect& rect, int x, int y) {
  hovered_ = state_.cropHandles ? FaceAt(rect, x, y) : CropFace{};
}

CropFace VolumePane::FaceAt(const PaneRect& rect, int x, int y) const {
  const float* p = gRenderer.Proportions();
  const ModelBox box = CropModelBox(state_.crop, ViewedBox(state_.shownPart, volume_.info()), {p[0], p[1], p[2]});
  return FaceUnderPointer(state_.camera, rect.width, rect.height, x - rect.x + 0.5, y - rect.y + 0.5, box);
}

void VolumePane::Drag(const PaneRect& rect, int x, int y) {
  if (dragged_.axis >= 0 && gLeftDown) {
    const float* p = gRenderer.Proportions();
    DragCropFace(state_.crop, dragged_, x - lastX_, y - lastY_, state_.camera, rect.width, rect.height,
                 ViewedBox(state_.shownPart, volume_.info()), {p[0], p[1], p[2]}, volume_.info().sizes);
    lastX_ = x;
    lastY_ = y;
    hovered_ = dragged_;
  } else if (gMiddleDown || TurnsOnLeftDrag()) {
    const int dx = x - gMouseOldX, dy = y - gMouseOldY;
    if (panning_) {
      PanCamera(state_.camera, dx, dy, rect.width, rect.height);
    } else {
      TurnCamera(state_.camera, dx, dy);
    }
    gMouseOldX = x;
    gMouseOldY = y;
  } else if (gLightMode && gLeftDown) {
    SteerLight(x, y);
  } else if (gEditorVisible) {
    EditTransferInWindow(x, y, gWindowWidth, gWindowHeight);
  }
}

// A left drag turns the volume as a middle drag does, unless the light,
// the editor or the fluid has a use for it.
bool VolumePane::TurnsOnLeftDrag() const { return gLeftDown && !gLightMode && !gEditorVisible && !gFluidMode; }

void VolumePane::Wheel(const PaneRect&, int steps, const MouseButton&) {
  ZoomCamera(state_.camera, steps);
}

std::string VolumePane::Status(const PaneRect&, int, int) const {
  return "cursor " + PositionText(volume_.info(), state_.cursor) + ", " + VoxelText(volume_, state_.cursor);
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
  const ModelFrameLines frame(state_.camera.rotation);
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
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void VolumePane::DrawCropBox() const {
  const float* p = gRenderer.Proportions();
  const ModelBox box = CropModelBox(state_.crop, ViewedBox(state_.shownPart, volume_.info()), {p[0], p[1], p[2]});
  const ModelFrameLines frame(state_.camera.rotation);
  const auto corner = [&box](int bits) {
    return std::array<double, 3>{(bits & 1) ? box.high[0] : box.low[0], (bits & 2) ? box.high[1] : box.low[1],
                                 (bits & 4) ? box.high[2] : box.low[2]};
  };
  glLineWidth(1.5f);
  glColor3f(0.9f, 0.9f, 0.95f);
  glBegin(GL_LINES);
  for (int bits = 0; bits < 8; ++bits) {
    for (int a = 0; a < 3; ++a) {
      if (bits & (1 << a)) continue;
      glVertex3dv(corner(bits).data());
      glVertex3dv(corner(bits | 1 << a).data());
    }
  }
  glEnd();
  const CropFace& lit = dragged_.axis >= 0 ? dragged_ : hovered_;
  if (lit.axis >= 0) {
    // The face's four corners, the lit face's axis held at its side.
    const int u = (lit.axis + 1) % 3, v = (lit.axis + 2) % 3;
    const int side = lit.high ? 1 << lit.axis : 0;
    const int order[4] = {0, 1 << u, (1 << u) | (1 << v), 1 << v};
    glColor4f(1.0f, 0.8f, 0.2f, 0.25f);
    glBegin(GL_QUADS);
    for (int k : order) glVertex3dv(corner(side | k).data());
    glEnd();
    glLineWidth(3.0f);
    glColor3f(1.0f, 0.8f, 0.2f);
    glBegin(GL_LINE_LOOP);
    for (int k : order) glVertex3dv(corner(side | k).data());
    glEnd();
  }
  glLineWidth(1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void VolumePane::UpdatePlanePictures() {
  for (int axis = 0; axis < 3; ++axis) {
    if (!state_.planes[axis]) continue;
    PlanePicture& picture = planePictures_[static_cast<size_t>(axis)];
    const double position = state_.cursor[axis];
    if (picture.made && picture.position == position && picture.sampling == state_.sampling &&
        picture.window.low == state_.sliceWindow.low && picture.window.high == state_.sliceWindow.high) {
      continue;
    }
    const SliceAxis slice = static_cast<SliceAxis>(axis);
    ExtractSlice(volume_, slice, position, state_.sampling, picture.values);
    const int width = static_cast<int>(picture.values.width), height = static_cast<int>(picture.values.height);
    picture.grey.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    // One pixel per voxel, rows along the slice's second axis, as the
    // renderer's picture spans the whole volume's box.
    PixelMapping voxels;
    voxels.u0 = voxels.v0 = -0.5;
    RenderSlice(picture.values, voxels, width, height, state_.sampling, state_.sliceWindow, 0,
                picture.grey.data());
    gRenderer.SetPlanePicture(axis, width, height, picture.grey.data());
    picture.made = true;
    picture.position = position;
    picture.sampling = state_.sampling;
    picture.window = state_.sliceWindow;
  }
}
