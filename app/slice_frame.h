// How a slice pane lies over its slice: which of the volume's axes run
// right and down on the screen and which way, how many pixels a millimetre
// takes, and the pan. Axial slices are seen from the feet with anterior up,
// coronal ones from the front with superior up (in both the patient's left
// on the screen's right, the radiological convention, unless neurological),
// sagittal ones from the patient's left with superior up and anterior on
// the screen's left. At zoom 1 the slice fills the pane in its true
// proportions, centred.
#pragma once

#include <array>
#include <cstdint>

#include "app/view_state.h"
#include "files/volume_file.h"
#include "render/slice_image.h"

struct SliceFrame {
  SliceAxis axis = SliceAxis::Axial;
  int right = 0;          // the canonical axis along the screen's right (the slice's u)
  int down = 1;           // ... and down (its v)
  double rightSign = 1;   // +1 when that axis grows to the right
  double downSign = 1;    // ... when it grows downwards
  std::array<int64_t, 2> sizes{};    // voxels along right and down
  std::array<double, 2> spacing{};   // mm
  double pixelsPerMm = 1;
  double panRight = 0, panDown = 0;  // mm
  int width = 0, height = 0;         // pixels of the pane
};

SliceFrame MakeSliceFrame(const VolumeInfo& info, SliceAxis axis, bool neurological,
                          const SlicePaneView& view, int width, int height);

// Pane pixel coordinates (continuous, from its top-left corner; pixel x's
// centre at x + 0.5) to the slice's (u, v) in voxel-centre units, and back.
std::array<double, 2> PaneToSlice(const SliceFrame& frame, double x, double y);
std::array<double, 2> SliceToPane(const SliceFrame& frame, double u, double v);

// The pane's picture with rows top-down, or bottom-up as GL draws them.
PixelMapping PictureMapping(const SliceFrame& frame, bool bottomUp);

// The wheel with ctrl: zooms by `factor` keeping the point under (x, y).
void ZoomSliceAbout(SlicePaneView& view, const SliceFrame& frame, double factor, double x, double y);
// A pan drag by (dx, dy) pixels: the slice follows the pointer.
void PanSlice(SlicePaneView& view, const SliceFrame& frame, int dx, int dy);

// The canonical point under pane pixel (x, y) on the slice through `cursor`.
std::array<double, 3> PanePoint(const SliceFrame& frame, const std::array<double, 3>& cursor,
                                double x, double y);
