// Everything an opened volume's window shows, as one value: what the keys,
// drags and options change, and what the panes draw from. It holds no GL
// object and draws nothing, so its transitions can be tested alone. The
// built-in sources keep their own module-level state.
#pragma once

#include <cstdint>

#include "app/volume_view.h"
#include "files/volume_window.h"
#include "render/render_mode.h"
#include "render/view_orientation.h"

// Where the viewer stands at start, and at key 0.
struct CameraStart {
  AnatomicalView view = AnatomicalView::Anterior;
  double zoom = 1.0;
  bool orthographic = false;
};

// The 3D view's camera: the volume's turn, zoom and pan (model units at
// the volume's centre) and the projection.
struct CameraState {
  CameraStart start;
  Rotation rotation = ViewRotation(AnatomicalView::Anterior);
  double zoom = 1.0;
  double panX = 0.0;
  double panY = 0.0;
  bool orthographic = false;
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
};
