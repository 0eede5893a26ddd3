#include "app/volume_camera.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "app/view_keys.h"

namespace {

// The share of the pane's smaller side a framed box fills.
constexpr double kFill = 0.875;
// Around a box turned corner-first: its half-diagonal is under 174 units.
constexpr double kNear = kVolumeEyeDistance - 200.0;
constexpr double kFar = kVolumeEyeDistance + 200.0;
constexpr double kWheelStep = 1.1;
constexpr double kMinZoom = 0.1;
constexpr double kMaxZoom = 50.0;

// Moves the pivot so that the picture moves by (dx, dy) on the eye's axes.
void MovePivot(CameraState& camera, double dx, double dy) {
  const Rotation& r = camera.rotation;
  for (int a = 0; a < 3; ++a) camera.pivot[a] -= r[a] * dx + r[3 + a] * dy;
}

}  // namespace

double HalfHeightAtCentre(const CameraState& camera, int width, int height) {
  const double half = camera.fitHalfSide / camera.zoom;
  return width > 0 && height > width ? half * height / width : half;
}

void FrameBoxes(CameraState& camera, const std::vector<ModelBox>& boxes) {
  if (boxes.empty()) return;
  const Rotation& r = camera.rotation;
  // The volume turns about the middle of all the boxes.
  ModelBox all = boxes.front();
  for (const ModelBox& box : boxes) {
    for (int a = 0; a < 3; ++a) {
      all.low[a] = std::min(all.low[a], box.low[a]);
      all.high[a] = std::max(all.high[a], box.high[a]);
    }
  }
  for (int a = 0; a < 3; ++a) camera.pivot[a] = (all.low[a] + all.high[a]) / 2;
  camera.panX = camera.panY = 0.0;
  // The corners in the eye's frame, the volume's centre at the origin.
  std::vector<std::array<double, 3>> corners;
  corners.reserve(8 * boxes.size());
  for (const ModelBox& box : boxes) {
    for (int bits = 0; bits < 8; ++bits) {
      const std::array<double, 3> model{(bits & 1) ? box.high[0] : box.low[0], (bits & 2) ? box.high[1] : box.low[1],
                                        (bits & 4) ? box.high[2] : box.low[2]};
      std::array<double, 3> eye{};
      for (int row = 0; row < 3; ++row) {
        for (int k = 0; k < 3; ++k) eye[row] += r[3 * row + k] * model[k];
      }
      corners.push_back(eye);
    }
  }
  // On the screen, in model units at the centre's depth. In perspective the
  // outline is not centred on the pivot, and a pan moves near corners
  // further than far ones: the centring takes a few rounds to settle.
  const std::array<double, 2> start = EyePan(camera);
  double panX = start[0], panY = start[1], halfX = 0, halfY = 0;
  for (int round = 0; round < 4; ++round) {
    double lowX = HUGE_VAL, highX = -HUGE_VAL, lowY = HUGE_VAL, highY = -HUGE_VAL;
    for (const std::array<double, 3>& eye : corners) {
      const double depth = kVolumeEyeDistance - eye[2];
      const double scale = camera.orthographic || depth <= 1 ? 1.0 : kVolumeEyeDistance / depth;
      const double x = (eye[0] + panX) * scale, y = (eye[1] + panY) * scale;
      lowX = std::min(lowX, x);
      highX = std::max(highX, x);
      lowY = std::min(lowY, y);
      highY = std::max(highY, y);
    }
    panX -= (lowX + highX) / 2;
    panY -= (lowY + highY) / 2;
    halfX = (highX - lowX) / 2;
    halfY = (highY - lowY) / 2;
  }
  MovePivot(camera, panX - start[0], panY - start[1]);
  const double widest = std::max(halfX, halfY);
  if (widest > 0) camera.fitHalfSide = widest / kFill;
  camera.framePending = true;
}

AnatomicalView FacingView(const std::array<int64_t, 3>& sizes, const std::array<double, 3>& spacing) {
  std::array<double, 3> side{};
  for (int axis = 0; axis < 3; ++axis) side[axis] = static_cast<double>(sizes[axis]) * spacing[axis];
  const int thinnest = static_cast<int>(std::min_element(side.begin(), side.end()) - side.begin());
  const double longest = *std::max_element(side.begin(), side.end());
  if (sizes[thinnest] > 1 && side[thinnest] >= longest / 10) return AnatomicalView::Anterior;
  // Looking through the thin axis: x from the left, y from the front, z from above.
  constexpr AnatomicalView kThrough[3] = {AnatomicalView::Left, AnatomicalView::Anterior,
                                          AnatomicalView::Superior};
  return kThrough[thinnest];
}

CameraState StartCamera(const CameraStart& start) {
  CameraState camera;
  camera.start = start;
  ResetCamera(camera);
  return camera;
}

void ApplyCameraProjection(const CameraState& camera, int width, int height) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double aspect = height > 0 ? static_cast<double>(width) / height : 1.0;
  const double halfHeight = HalfHeightAtCentre(camera, width, height);
  if (camera.orthographic) {
    glOrtho(-halfHeight * aspect, halfHeight * aspect, -halfHeight, halfHeight, kNear, kFar);
  } else {
    gluPerspective(2.0 * std::atan(halfHeight / kVolumeEyeDistance) * 180.0 / M_PI, aspect, kNear,
                   kFar);
  }
  glMatrixMode(GL_MODELVIEW);
}

std::array<double, 2> EyePan(const CameraState& camera) {
  const Rotation& r = camera.rotation;
  const std::array<double, 3>& p = camera.pivot;
  return {camera.panX - (r[0] * p[0] + r[1] * p[1] + r[2] * p[2]),
          camera.panY - (r[3] * p[0] + r[4] * p[1] + r[5] * p[2])};
}

void ApplyCameraPan(const CameraState& camera) {
  const std::array<double, 2> pan = EyePan(camera);
  glTranslated(pan[0], pan[1], 0.0);
}

void TurnCamera(CameraState& camera, int dx, int dy) {
  const Rotation turned = TurnAboutEyeX(TurnAboutEyeY(camera.rotation, dx), dy);
  camera.rotation = Orthonormalised(turned);
}

void PanCamera(CameraState& camera, int dx, int dy, int width, int height) {
  // One pixel moves the volume's centre by one pixel.
  const double unitsPerPixel = 2.0 * HalfHeightAtCentre(camera, width, height) / std::max(height, 1);
  camera.panX += dx * unitsPerPixel;
  camera.panY -= dy * unitsPerPixel;
}

void ZoomCamera(CameraState& camera, int steps) {
  camera.zoom = std::clamp(camera.zoom * std::pow(kWheelStep, steps), kMinZoom, kMaxZoom);
}

void FrameDrawn(CameraState& camera, const DrawnBounds& drawn, int width, int height) {
  if (drawn.Empty() || width <= 0 || height <= 0) return;
  // Model units at the centre's depth per pixel, at zoom 1: the pan moves
  // by that much per pixel of offset (nearly so in perspective, where the
  // nearest and furthest parts move a little more and less).
  const double unitsPerPixel = 2.0 * camera.fitHalfSide / std::min(width, height);
  MovePivot(camera, -((drawn.left + drawn.right + 1) / 2.0 - width / 2.0) * unitsPerPixel,
            ((drawn.top + drawn.bottom + 1) / 2.0 - height / 2.0) * unitsPerPixel);
  const int widest = std::max(drawn.right - drawn.left + 1, drawn.bottom - drawn.top + 1);
  camera.fitHalfSide *= widest / (kFill * std::min(width, height));
}

Rotation TurntableRotation(const CameraStart& start, int frame, int frames) {
  return TurnAboutEyeY(ViewRotation(start.view), 360.0 * frame / frames);
}
