#include "app/slice_frame.h"

#include <algorithm>

namespace {

constexpr double kMinZoom = 0.25;
constexpr double kMaxZoom = 64.0;

// The slice's centre, in voxel-centre units along an axis of n voxels.
double Centre(int64_t n) { return static_cast<double>(n) / 2.0 - 0.5; }

}  // namespace

SliceFrame MakeSliceFrame(const VolumeInfo& info, SliceAxis axis, bool neurological,
                          const SlicePaneView& view, int width, int height) {
  SliceFrame frame;
  frame.axis = axis;
  const std::array<int, 2> plane = InPlaneAxes(axis);
  frame.right = plane[0];
  frame.down = plane[1];
  // Canonical axes grow toward left, posterior, superior.
  switch (axis) {
    case SliceAxis::Axial:  // left to the right, anterior up: posterior grows down
      frame.rightSign = neurological ? -1 : 1;
      frame.downSign = 1;
      break;
    case SliceAxis::Coronal:  // left to the right, superior up
      frame.rightSign = neurological ? -1 : 1;
      frame.downSign = -1;
      break;
    case SliceAxis::Sagittal:  // posterior to the right, superior up
      frame.rightSign = 1;
      frame.downSign = -1;
      break;
  }
  for (int k = 0; k < 2; ++k) {
    frame.sizes[k] = info.sizes[plane[k]];
    frame.spacing[k] = info.spacing[plane[k]];
  }
  const double widthMm = static_cast<double>(frame.sizes[0]) * frame.spacing[0];
  const double heightMm = static_cast<double>(frame.sizes[1]) * frame.spacing[1];
  const double fit = std::min(width / widthMm, height / heightMm);
  frame.pixelsPerMm = fit * view.zoom;
  frame.panRight = view.panRight;
  frame.panDown = view.panDown;
  frame.width = width;
  frame.height = height;
  return frame;
}

std::array<double, 2> PaneToSlice(const SliceFrame& f, double x, double y) {
  const double rightMm = (x - f.width / 2.0) / f.pixelsPerMm - f.panRight;
  const double downMm = (y - f.height / 2.0) / f.pixelsPerMm - f.panDown;
  return {Centre(f.sizes[0]) + f.rightSign * rightMm / f.spacing[0],
          Centre(f.sizes[1]) + f.downSign * downMm / f.spacing[1]};
}

std::array<double, 2> SliceToPane(const SliceFrame& f, double u, double v) {
  const double rightMm = f.rightSign * (u - Centre(f.sizes[0])) * f.spacing[0];
  const double downMm = f.downSign * (v - Centre(f.sizes[1])) * f.spacing[1];
  return {f.width / 2.0 + (rightMm + f.panRight) * f.pixelsPerMm,
          f.height / 2.0 + (downMm + f.panDown) * f.pixelsPerMm};
}

PixelMapping PictureMapping(const SliceFrame& f, bool bottomUp) {
  const std::array<double, 2> origin = PaneToSlice(f, 0, 0);
  PixelMapping mapping;
  mapping.u0 = origin[0];
  mapping.du = f.rightSign / (f.pixelsPerMm * f.spacing[0]);
  mapping.v0 = origin[1];
  mapping.dv = f.downSign / (f.pixelsPerMm * f.spacing[1]);
  if (bottomUp) {
    // Row r from the bottom is pane row height - 1 - r.
    mapping.v0 += f.height * mapping.dv;
    mapping.dv = -mapping.dv;
  }
  return mapping;
}

void ZoomSliceAbout(SlicePaneView& view, const SliceFrame& frame, double factor, double x, double y) {
  const double zoom = std::clamp(view.zoom * factor, kMinZoom, kMaxZoom);
  const double before = frame.pixelsPerMm, after = before * zoom / view.zoom;
  // The millimetre under the pointer stays under it.
  const double rightMm = (x - frame.width / 2.0) / before - view.panRight;
  const double downMm = (y - frame.height / 2.0) / before - view.panDown;
  view.panRight = (x - frame.width / 2.0) / after - rightMm;
  view.panDown = (y - frame.height / 2.0) / after - downMm;
  view.zoom = zoom;
}

void PanSlice(SlicePaneView& view, const SliceFrame& frame, int dx, int dy) {
  view.panRight += dx / frame.pixelsPerMm;
  view.panDown += dy / frame.pixelsPerMm;
}

std::array<double, 3> PanePoint(const SliceFrame& frame, const std::array<double, 3>& cursor,
                                double x, double y) {
  const std::array<double, 2> uv = PaneToSlice(frame, x, y);
  std::array<double, 3> point = cursor;
  point[frame.right] = uv[0];
  point[frame.down] = uv[1];
  return point;
}
