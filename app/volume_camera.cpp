#include "app/volume_camera.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "app/view_keys.h"

namespace {

// At zoom 1 the centre of the volume shows as large as the built-in stack's
// centre does under its 60-degree perspective 250 units away.
constexpr double kHalfHeightAtZoom1 = 144.33756729740645;  // 250 tan(30 degrees)
// Around a box turned corner-first: its half-diagonal is under 174 units.
constexpr double kNear = kVolumeEyeDistance - 200.0;
constexpr double kFar = kVolumeEyeDistance + 200.0;
constexpr double kWheelStep = 1.1;
constexpr double kMinZoom = 0.1;
constexpr double kMaxZoom = 50.0;

double HalfHeightAtCentre(double zoom) { return kHalfHeightAtZoom1 / zoom; }

}  // namespace

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
  const double halfHeight = HalfHeightAtCentre(camera.zoom);
  if (camera.orthographic) {
    glOrtho(-halfHeight * aspect, halfHeight * aspect, -halfHeight, halfHeight, kNear, kFar);
  } else {
    gluPerspective(2.0 * std::atan(halfHeight / kVolumeEyeDistance) * 180.0 / M_PI, aspect, kNear,
                   kFar);
  }
  glMatrixMode(GL_MODELVIEW);
}

void ApplyCameraPan(const CameraState& camera) { glTranslated(camera.panX, camera.panY, 0.0); }

void TurnCamera(CameraState& camera, int dx, int dy) {
  const Rotation turned = TurnAboutEyeX(TurnAboutEyeY(camera.rotation, dx), dy);
  camera.rotation = Orthonormalised(turned);
}

void PanCamera(CameraState& camera, int dx, int dy, int paneHeight) {
  // One pixel moves the volume's centre by one pixel.
  const double unitsPerPixel = 2.0 * HalfHeightAtCentre(camera.zoom) / std::max(paneHeight, 1);
  camera.panX += dx * unitsPerPixel;
  camera.panY -= dy * unitsPerPixel;
}

void ZoomCamera(CameraState& camera, int steps) {
  camera.zoom = std::clamp(camera.zoom * std::pow(kWheelStep, steps), kMinZoom, kMaxZoom);
}

Rotation TurntableRotation(const CameraStart& start, int frame, int frames) {
  return TurnAboutEyeY(ViewRotation(start.view), 360.0 * frame / frames);
}
