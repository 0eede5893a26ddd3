#include "app/volume_camera.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app_state.h"
#include "render/vol_render.h"

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

bool gActive = false;
CameraStart gStart;
double gZoom = 1.0;
bool gOrthographic = false;
double gPanX = 0.0;
double gPanY = 0.0;

double HalfHeightAtCentre(double zoom) { return kHalfHeightAtZoom1 / zoom; }

void Project(int width, int height, double zoom, bool orthographic) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double aspect = height > 0 ? static_cast<double>(width) / height : 1.0;
  const double halfHeight = HalfHeightAtCentre(zoom);
  if (orthographic) {
    glOrtho(-halfHeight * aspect, halfHeight * aspect, -halfHeight, halfHeight, kNear, kFar);
  } else {
    gluPerspective(2.0 * std::atan(halfHeight / kVolumeEyeDistance) * 180.0 / M_PI, aspect, kNear,
                   kFar);
  }
  glMatrixMode(GL_MODELVIEW);
}

void Reproject() { ApplyVolumeProjection(gWindowWidth, gWindowHeight); }

bool ShowView(AnatomicalView view) {
  gRenderer.orientation = ViewRotation(view);
  std::printf("View: %s\n", AnatomicalViewName(view));
  return true;
}

}  // namespace

void SetUpVolumeCamera(const CameraStart& start) {
  gActive = true;
  gStart = start;
  gZoom = start.zoom;
  gOrthographic = start.orthographic;
  gPanX = gPanY = 0.0;
  gRenderer.oriented = true;
  gRenderer.orientation = ViewRotation(start.view);
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

bool VolumeCameraActive() { return gActive; }

bool VolumeCameraKey(unsigned char key) {
  if (!gActive) return false;
  switch (key) {
    case 'A': return ShowView(AnatomicalView::Anterior);
    case 'P': return ShowView(AnatomicalView::Posterior);
    case 'L': return ShowView(AnatomicalView::Left);
    case 'R': return ShowView(AnatomicalView::Right);
    case 'S': return ShowView(AnatomicalView::Superior);
    case 'I': return ShowView(AnatomicalView::Inferior);
    case '0':
      SetUpVolumeCamera(gStart);
      Reproject();
      std::printf("View: %s, zoom %g\n", AnatomicalViewName(gStart.view), gZoom);
      return true;
    case 'o':
      gOrthographic = !gOrthographic;
      Reproject();
      std::printf("Projection: %s\n", gOrthographic ? "orthographic" : "perspective");
      return true;
    default: return false;
  }
}

void ApplyVolumeProjection(int width, int height) { Project(width, height, gZoom, gOrthographic); }

void ApplyVolumePan() {
  if (gActive) glTranslated(gPanX, gPanY, 0.0);
}

void DragVolume(int dx, int dy, bool pan) {
  if (pan) {
    // One pixel moves the volume's centre by one pixel.
    const double unitsPerPixel = 2.0 * HalfHeightAtCentre(gZoom) / std::max(gWindowHeight, 1);
    gPanX += dx * unitsPerPixel;
    gPanY -= dy * unitsPerPixel;
    return;
  }
  Rotation turned = TurnAboutEyeY(gRenderer.orientation, dx);
  turned = TurnAboutEyeX(turned, dy);
  gRenderer.orientation = Orthonormalised(turned);
}

void ZoomVolume(int steps) {
  gZoom = std::clamp(gZoom * std::pow(kWheelStep, steps), kMinZoom, kMaxZoom);
  Reproject();
}

void PoseForTurntable(int frame, int frames) {
  gRenderer.orientation = TurnAboutEyeY(ViewRotation(gStart.view), 360.0 * frame / frames);
}
