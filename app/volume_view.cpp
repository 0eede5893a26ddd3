#include "app/volume_view.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kZoomStep = 60.0 / 1024.0;
constexpr double kMoveStep = 40.0 / 1024.0;

double PhysicalSize(const VolumeInfo& info, int axis) {
  return static_cast<double>(info.sizes[axis]) * info.spacing[axis];
}

double LongestSide(const VolumeInfo& info) {
  return std::max({PhysicalSize(info, 0), PhysicalSize(info, 1), PhysicalSize(info, 2)});
}

}  // namespace

VolumeView WholeVolumeView(const VolumeInfo& info) {
  VolumeView view;
  for (int axis = 0; axis < 3; ++axis) view.centre[axis] = PhysicalSize(info, axis) / 2;
  view.side = LongestSide(info);
  return view;
}

bool StepVolumeView(VolumeView& view, unsigned char key, const VolumeInfo& info) {
  const double longest = LongestSide(info);
  switch (key) {
    case '+': view.side -= kZoomStep * longest; break;
    case '-': view.side += kZoomStep * longest; break;
    case '4': view.centre[0] -= kMoveStep * longest; break;
    case '6': view.centre[0] += kMoveStep * longest; break;
    default: return false;
  }
  view.side = std::clamp(view.side, kZoomStep * longest, longest);
  // The cube stays over the volume where it fits, so zooming out after a
  // move brings the whole volume back.
  const double width = PhysicalSize(info, 0);
  const double half = std::min(view.side, width) / 2;
  view.centre[0] = std::clamp(view.centre[0], half, width - half);
  return true;
}

VolumeBox ViewedBox(const VolumeView& view, const VolumeInfo& info) {
  VolumeBox box;
  for (int axis = 0; axis < 3; ++axis) {
    const double size = static_cast<double>(info.sizes[axis]);
    const double spacing = info.spacing[axis];
    const double low = std::floor((view.centre[axis] - view.side / 2) / spacing);
    const double high = std::ceil((view.centre[axis] + view.side / 2) / spacing);
    const double first = std::clamp(low, 0.0, size - 1);
    box.origin[axis] = first;
    box.extent[axis] = std::clamp(high, first + 1, size) - first;
  }
  return box;
}

std::array<float, 3> BoxProportions(const VolumeBox& box, const VolumeInfo& info) {
  std::array<double, 3> physical{};
  for (int axis = 0; axis < 3; ++axis) physical[axis] = box.extent[axis] * info.spacing[axis];
  const double longest = std::max({physical[0], physical[1], physical[2]});
  return {static_cast<float>(physical[0] / longest), static_cast<float>(physical[1] / longest),
          static_cast<float>(physical[2] / longest)};
}
