#include "app/crop_handles.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/volume_camera.h"

namespace {

struct Ray {
  Point3 origin, direction;
};

// Eye frame to model: the camera pans, stands kVolumeEyeDistance away, turns.
Point3 EyeToModel(const CameraState& camera, const Point3& eye, bool point) {
  const std::array<double, 2> pan = EyePan(camera);
  const Point3 q = point ? Point3{eye[0] - pan[0], eye[1] - pan[1], eye[2] + kVolumeEyeDistance} : eye;
  const Rotation& r = camera.rotation;
  Point3 m{};
  for (int a = 0; a < 3; ++a) m[a] = r[a] * q[0] + r[3 + a] * q[1] + r[6 + a] * q[2];
  return m;
}

Ray PointerRay(const CameraState& camera, int width, int height, double x, double y) {
  const double aspect = height > 0 ? static_cast<double>(width) / height : 1.0;
  const double nx = 2.0 * x / width - 1.0, ny = 1.0 - 2.0 * y / height;
  const double half = HalfHeightAtCentre(camera, width, height);
  Ray ray;
  if (camera.orthographic) {
    ray.origin = EyeToModel(camera, {nx * half * aspect, ny * half, 0.0}, true);
    ray.direction = EyeToModel(camera, {0, 0, -1}, false);
  } else {
    const double tangent = half / kVolumeEyeDistance;
    ray.origin = EyeToModel(camera, {0, 0, 0}, true);
    ray.direction = EyeToModel(camera, {nx * tangent * aspect, ny * tangent, -1.0}, false);
  }
  return ray;
}

}  // namespace

ModelBox CropModelBox(const CropBox& crop, const VolumeBox& shown, const std::array<float, 3>& proportions) {
  ModelBox box;
  for (int a = 0; a < 3; ++a) {
    const double side = kLongestSide * proportions[a];
    box.low[a] = ((crop.low[a] - shown.origin[a]) / shown.extent[a] - 0.5) * side;
    box.high[a] = ((crop.high[a] - shown.origin[a]) / shown.extent[a] - 0.5) * side;
  }
  return box;
}

CropFace FaceUnderPointer(const CameraState& camera, int width, int height, double x, double y,
                          const ModelBox& box) {
  const Ray ray = PointerRay(camera, width, height, x, y);
  double enter = -std::numeric_limits<double>::infinity(), leave = std::numeric_limits<double>::infinity();
  CropFace face;
  for (int a = 0; a < 3; ++a) {
    const double d = ray.direction[a];
    if (std::fabs(d) < 1e-12) {
      if (ray.origin[a] < box.low[a] || ray.origin[a] > box.high[a]) return {};
      continue;
    }
    const double t1 = (box.low[a] - ray.origin[a]) / d, t2 = (box.high[a] - ray.origin[a]) / d;
    if (std::min(t1, t2) > enter) {
      enter = std::min(t1, t2);
      face = {a, t2 < t1};  // entering through the high face when moving down the axis
    }
    leave = std::min(leave, std::max(t1, t2));
  }
  return enter <= leave ? face : CropFace{};
}

std::array<double, 2> ModelToPane(const CameraState& camera, int width, int height, const Point3& model) {
  const Rotation& r = camera.rotation;
  Point3 eye{};
  for (int k = 0; k < 3; ++k) eye[k] = r[3 * k] * model[0] + r[3 * k + 1] * model[1] + r[3 * k + 2] * model[2];
  const std::array<double, 2> pan = EyePan(camera);
  eye = {eye[0] + pan[0], eye[1] + pan[1], eye[2] - kVolumeEyeDistance};
  const double aspect = height > 0 ? static_cast<double>(width) / height : 1.0;
  const double half = HalfHeightAtCentre(camera, width, height);
  double nx = 0, ny = 0;
  if (camera.orthographic) {
    nx = eye[0] / (half * aspect);
    ny = eye[1] / half;
  } else {
    const double tangent = half / kVolumeEyeDistance;
    nx = eye[0] / (-eye[2] * tangent * aspect);
    ny = eye[1] / (-eye[2] * tangent);
  }
  return {(nx + 1.0) * width / 2.0, (1.0 - ny) * height / 2.0};
}

void DragCropFace(CropBox& crop, const CropFace& face, int dx, int dy, const CameraState& camera, int width,
                  int height, const VolumeBox& shown, const std::array<float, 3>& proportions,
                  const std::array<int64_t, 3>& sizes) {
  if (face.axis < 0) return;
  const int a = face.axis;
  // The face's centre and a point one model unit along its normal, on screen.
  const ModelBox box = CropModelBox(crop, shown, proportions);
  Point3 centre{};
  for (int k = 0; k < 3; ++k) centre[k] = (box.low[k] + box.high[k]) / 2;
  centre[a] = face.high ? box.high[a] : box.low[a];
  Point3 along = centre;
  along[a] += 1.0;
  const std::array<double, 2> p0 = ModelToPane(camera, width, height, centre);
  const std::array<double, 2> p1 = ModelToPane(camera, width, height, along);
  const double sx = p1[0] - p0[0], sy = p1[1] - p0[1];
  const double squared = sx * sx + sy * sy;
  // A normal pointing at the viewer shows no direction to drag along.
  if (squared < 1e-6) return;
  const double units = (dx * sx + dy * sy) / squared;
  const double boxUnits = units / (kLongestSide * proportions[a]) * shown.extent[a];
  const double thinnest = 1.0;
  if (face.high) {
    crop.high[a] = std::clamp(crop.high[a] + boxUnits, crop.low[a] + thinnest, static_cast<double>(sizes[a]));
  } else {
    crop.low[a] = std::clamp(crop.low[a] + boxUnits, 0.0, crop.high[a] - thinnest);
  }
}
