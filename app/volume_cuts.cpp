#include "app/volume_cuts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "files/volume_space.h"

namespace {

// The RAS component a canonical axis runs most nearly along.
int RasAxisOf(const VolumeInfo& info, int axis) {
  Point3 step{};
  step[axis] = 1;
  const Point3 a = CanonicalToRas(info, {0, 0, 0}), b = CanonicalToRas(info, step);
  int best = 0;
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(b[k] - a[k]) > std::fabs(b[best] - a[best])) best = k;
  }
  return best;
}

Point3 BoxToRas(const VolumeInfo& info, const std::array<double, 3>& box) {
  return CanonicalToRas(info, {box[0] - 0.5, box[1] - 0.5, box[2] - 0.5});
}

}  // namespace

CropBox WholeCrop(const VolumeInfo& info) {
  CropBox crop;
  for (int a = 0; a < 3; ++a) crop.high[a] = static_cast<double>(info.sizes[a]);
  return crop;
}

std::optional<CropBox> CropFromRas(const VolumeInfo& info, const CropRequest& request) {
  CropBox crop = WholeCrop(info);
  const Point3 origin = CanonicalToRas(info, {0, 0, 0});
  for (int a = 0; a < 3; ++a) {
    const int k = RasAxisOf(info, a);
    Point3 step{};
    step[a] = 1;
    const double perVoxel = CanonicalToRas(info, step)[k] - origin[k];
    const RasRange& range = request[k];
    // Box units of a RAS value along k: voxel centres half a unit in.
    const auto box = [&](double mm) { return (mm - origin[k]) / perVoxel + 0.5; };
    const double inf = std::numeric_limits<double>::infinity();
    double lo = range.low ? box(*range.low) : (perVoxel > 0 ? -inf : inf);
    double hi = range.high ? box(*range.high) : (perVoxel > 0 ? inf : -inf);
    if (lo > hi) std::swap(lo, hi);
    crop.low[a] = std::max(lo, 0.0);
    crop.high[a] = std::min(hi, crop.high[a]);
    if (!(crop.low[a] < crop.high[a])) return std::nullopt;
  }
  return crop;
}

CropRequest CropToRas(const VolumeInfo& info, const CropBox& crop) {
  CropRequest request;
  for (int corner = 0; corner < 8; ++corner) {
    std::array<double, 3> at{};
    for (int a = 0; a < 3; ++a) at[a] = (corner >> a & 1) ? crop.high[a] : crop.low[a];
    const Point3 ras = BoxToRas(info, at);
    for (int k = 0; k < 3; ++k) {
      request[k].low = std::min(request[k].low.value_or(ras[k]), ras[k]);
      request[k].high = std::max(request[k].high.value_or(ras[k]), ras[k]);
    }
  }
  return request;
}

std::string CropLine(const VolumeInfo& info, const CropBox& crop) {
  const CropRequest faces = CropToRas(info, crop);
  static const char* const kAnatomical[3] = {"R", "A", "S"};
  static const char* const kPlain[3] = {"x", "y", "z"};
  std::string line = info.anatomical ? "Crop (RAS mm):" : "Crop (mm):";
  for (int k = 0; k < 3; ++k) {
    char part[96];
    // Rounded as printed, so no "-0.0".
    const double lo = std::round(*faces[k].low * 10) / 10, hi = std::round(*faces[k].high * 10) / 10;
    std::snprintf(part, sizeof part, "%s %s %.1f..%.1f", k == 0 ? "" : ",",
                  (info.anatomical ? kAnatomical : kPlain)[k], lo == 0 ? 0.0 : lo, hi == 0 ? 0.0 : hi);
    line += part;
  }
  return line;
}

std::optional<ClipPlane> ClipFromNumbers(const std::array<double, 4>& numbers) {
  const double length = std::sqrt(numbers[0] * numbers[0] + numbers[1] * numbers[1] + numbers[2] * numbers[2]);
  if (!(length > 0) || !std::isfinite(length)) return std::nullopt;
  ClipPlane clip;
  clip.on = true;
  for (int k = 0; k < 3; ++k) clip.normal[k] = numbers[k] / length;
  clip.distance = numbers[3];
  return clip;
}

std::string ClipLine(const ClipPlane& clip) {
  char line[128];
  const auto shown = [](double v) { return std::fabs(v) < 5e-4 ? 0.0 : v; };
  std::snprintf(line, sizeof line, "Clip: --clip %.3f,%.3f,%.3f,%.1f", shown(clip.normal[0]),
                shown(clip.normal[1]), shown(clip.normal[2]),
                std::fabs(clip.distance) < 0.05 ? 0.0 : clip.distance);
  return line;
}

ClipPlane FreezeViewClip(const VolumeInfo& info, const VolumeBox& shown,
                         const std::array<float, 3>& proportions, const Rotation& rotation,
                         int clipDistance) {
  // The renderer keeps e . q + d >= 0 in the frame where the turned volume
  // sits at the origin, q = rotation * m; m the volume's model units, its
  // longest side 200 units across the part on show.
  const Point3 e{0.0, -0.5, -2.0};
  Point3 q{};  // rotation transposed times e: the plane in model units
  for (int a = 0; a < 3; ++a) q[a] = rotation[a] * e[0] + rotation[3 + a] * e[1] + rotation[6 + a] * e[2];
  // Model units of a RAS point: canonical index, then box units over the part on show.
  const auto model = [&](const Point3& ras) {
    const Point3 c = RasToCanonical(info, ras);
    Point3 m{};
    for (int a = 0; a < 3; ++a) {
      const double t = (c[a] + 0.5 - shown.origin[a]) / shown.extent[a];
      m[a] = (t - 0.5) * kLongestSide * proportions[a];
    }
    return m;
  };
  const Point3 m0 = model({0, 0, 0});
  ClipPlane clip;
  clip.on = true;
  for (int k = 0; k < 3; ++k) {
    Point3 unit{};
    unit[k] = 1;
    const Point3 mk = model(unit);
    clip.normal[k] = Dot(q, {mk[0] - m0[0], mk[1] - m0[1], mk[2] - m0[2]});
  }
  const double length = std::sqrt(Dot(clip.normal, clip.normal));
  clip.distance = -(Dot(q, m0) + clipDistance) / length;
  for (double& n : clip.normal) n /= length;
  return clip;
}

void ShownMapping(const VolumeInfo& info, const VolumeBox& shown, DrawInputs& inputs) {
  for (int a = 0; a < 3; ++a) {
    const double n = static_cast<double>(info.sizes[a]);
    inputs.shownScale[a] = shown.extent[a] / n;
    inputs.shownOffset[a] = shown.origin[a] / n;
  }
}

VolumeCuts RendererCuts(const VolumeInfo& info, const ViewState& state) {
  VolumeCuts cuts;
  for (int a = 0; a < 3; ++a) {
    const double n = static_cast<double>(info.sizes[a]);
    cuts.cropLow[a] = state.crop.low[a] / n;
    cuts.cropHigh[a] = state.crop.high[a] / n;
  }
  if (state.clip.on) {
    // p(w) is affine: the plane's normal and offset in w follow from the
    // box's corner and its three edges.
    const Point3 corner = BoxToRas(info, {0, 0, 0});
    cuts.clip = true;
    cuts.clipOffset = Dot(state.clip.normal, corner) - state.clip.distance;
    for (int a = 0; a < 3; ++a) {
      std::array<double, 3> end{};
      end[a] = static_cast<double>(info.sizes[a]);
      const Point3 edge = BoxToRas(info, end);
      cuts.clipNormal[a] =
          Dot(state.clip.normal, {edge[0] - corner[0], edge[1] - corner[1], edge[2] - corner[2]});
    }
  }
  const bool surfaces = state.mode == RenderMode::Composite || state.mode == RenderMode::Iso;
  cuts.caps = surfaces && state.caps;
  // A cap's grey: the texel (0..1 of the 3D window) through the slice window.
  const double width = state.sliceWindow.high - state.sliceWindow.low;
  cuts.capScale = (state.window.high - state.window.low) / width;
  cuts.capOffset = (state.window.low - state.sliceWindow.low) / width;
  for (int a = 0; a < 3; ++a) {
    cuts.planes[a] = surfaces && state.planes[a];
    cuts.planeAt[a] = (state.cursor[a] + 0.5) / static_cast<double>(info.sizes[a]);
  }
  return cuts;
}
