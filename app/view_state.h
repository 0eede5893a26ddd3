// Everything an opened volume's window shows, as one value: what the keys,
// drags and options change, and what the panes draw from. It holds no GL
// object and draws nothing, so its transitions can be tested alone. The
// built-in sources keep their own module-level state.
#pragma once

#include <array>
#include <cstdint>

#include "app/volume_view.h"
#include "files/volume_window.h"
#include "render/render_mode.h"
#include "render/slice_image.h"
#include "render/view_orientation.h"

// What the window shows: the 3D view alone, one slice, or the three slices
// beside the 3D view.
enum class Layout { Volume3d, Axial, Coronal, Sagittal, Quad };
constexpr int kLayoutCount = 5;

// Where the viewer stands at start, and at key 0.
struct CameraStart {
  AnatomicalView view = AnatomicalView::Anterior;
  double zoom = 1.0;
  bool orthographic = false;
};

// Half the pane's smaller side at zoom 1, in model units at the volume's
// centre, until the camera frames what the volume shows: 250 tan(30
// degrees), the size of the built-in stack's centre.
constexpr double kUnframedHalfSide = 144.33756729740645;

// The 3D view's camera: the volume's turn, zoom and pan (model units at
// the volume's centre), the point it turns about, the size that zoom 1
// shows and the projection.
struct CameraState {
  CameraStart start;
  Rotation rotation = ViewRotation(AnatomicalView::Anterior);
  double zoom = 1.0;
  // In model units: framing puts the middle of what shows here, and the
  // volume turns about it, so a turn keeps it in the pane's middle.
  std::array<double, 3> pivot{};
  double fitHalfSide = kUnframedHalfSide;
  // Framed from the visible bricks' outline; the next frame measures what
  // it draws and frames that instead.
  bool framePending = false;
  double panX = 0.0;
  double panY = 0.0;
  bool orthographic = false;
};

// A slice pane's zoom about its slice's centre and its pan: millimetres
// along the screen's right and down.
struct SlicePaneView {
  double zoom = 1.0;
  double panRight = 0.0;
  double panDown = 0.0;
};

// The part of the volume drawn in 3D, in box units: canonical axis a from 0
// to sizes[a] (voxel i covers [i, i + 1)).
struct CropBox {
  std::array<double, 3> low{};
  std::array<double, 3> high{};
};

// A box in the renderer's model units: the part on show centred on the
// origin, its longest side kLongestSide across, along the volume's axes.
struct ModelBox {
  std::array<double, 3> low{};
  std::array<double, 3> high{};
};

// A plane fixed to the volume: what lies where normal . p < distance (p in
// RAS mm, normal of unit length) is cut away.
struct ClipPlane {
  bool on = false;
  std::array<double, 3> normal{0, 1, 0};
  double distance = 0;
};

// A line measured on a slice: its ends in canonical voxel coordinates.
struct Ruler {
  bool shown = false;
  SliceAxis axis = SliceAxis::Axial;
  std::array<double, 3> from{};
  std::array<double, 3> to{};
};

struct ViewState {
  IntensityWindow window;  // data values at the ends of the transfer function
  VolumeView shownPart;    // the part of the volume in the texture (keys + - 4 6)
  CameraState camera;
  RenderMode mode = RenderMode::Composite;
  float isoLevel = 0.5f;  // 0..1 of the window
  int32_t sliceCount = 200;
  int32_t savedSliceCount = 0;  // key a: the count to go back to; 0 when off
  // The plane fixed to the view that cuts away the front (keys c, b, n).
  bool viewClip = false;
  int32_t clipDistance = 0;
  // Composite slices front to back, a pixel left alone once this opaque
  // (--back-to-front, --early-stop); how to draw, not what: never saved.
  bool frontToBack = true;
  float stopOpacity = 0.98f;

  Layout layout = Layout::Volume3d;
  // The point the slices go through, in canonical voxel coordinates (voxel
  // centres at whole numbers), within the voxel centres.
  std::array<double, 3> cursor{};
  IntensityWindow sliceWindow;  // the grey scale of the slice panes
  bool neurological = false;    // the patient's left on the screen's left
  Sampling sampling = Sampling::Linear;
  std::array<SlicePaneView, 3> slicePanes;  // by SliceAxis
  Ruler ruler;

  CropBox crop;               // the whole volume unless cropped
  bool cropHandles = false;   // the box shown and its faces dragged
  ClipPlane clip;
  bool caps = true;           // cut faces show the values on them
  std::array<bool, 3> planes{};        // slices shown in the 3D view, by SliceAxis
  std::array<bool, 3> chosenPlanes{true, true, true};  // the ones key G brings back

  bool clean = false;  // no frame rate, logo, orientation marker or status line
  bool help = false;   // the panel of keys and mouse actions
};
