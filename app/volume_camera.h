// The camera on an opened volume: its projection for a pane of the window,
// the drags and the wheel that turn, pan and zoom it, and the turn of a
// turntable's frames. The built-in sources keep their fixed perspective and
// drag angles.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "app/view_state.h"

// The view an opened volume starts from without --view: the front, unless
// the volume is a single slice or a thin slab (one voxel, or under a tenth
// of its longest side): then the view that looks through it, so a lone
// axial slice is seen face-on from above rather than as a line.
AnatomicalView FacingView(const std::array<int64_t, 3>& sizes, const std::array<double, 3>& spacing);

// The camera at the start view.
CameraState StartCamera(const CameraStart& start);

// Frames the boxes (model units) for the camera's turn: pans so that
// their outline on the screen is centred and sizes zoom 1 so that it fills
// 7/8 of the pane's smaller side; the next frame then frames what it draws
// (FrameDrawn). No boxes: the camera stays as it is.
void FrameBoxes(CameraState& camera, const std::vector<ModelBox>& boxes);

// Pane pixels (x right, y down) from the first to the last that differ from
// the background.
struct DrawnBounds {
  int left = 0, top = 0, right = -1, bottom = -1;
  bool Empty() const { return right < left || bottom < top; }
};

// Frames what a frame drawn at zoom 1 showed within `drawn`, in a pane of
// this size: its middle to the pane's centre, its larger side to 7/8 of the
// pane's smaller side. Nothing drawn: the camera stays as it is.
void FrameDrawn(CameraState& camera, const DrawnBounds& drawn, int width, int height);

// The pan on the eye's x and y that puts the pivot, turned, at the pane's
// middle, plus the user's pan.
std::array<double, 2> EyePan(const CameraState& camera);

// Half a pane's height, in model units at the volume's centre.
double HalfHeightAtCentre(const CameraState& camera, int width, int height);

// Loads the projection for a pane of this size; zoom narrows it about the
// centre of the view.
void ApplyCameraProjection(const CameraState& camera, int width, int height);
// Puts the pan on the modelview; called after glLoadIdentity each frame.
void ApplyCameraPan(const CameraState& camera);

// A middle drag by this many pixels: turns about the screen's axes.
void TurnCamera(CameraState& camera, int dx, int dy);
// ... or with shift, moves the volume so that it follows the pointer in a
// pane of this size.
void PanCamera(CameraState& camera, int dx, int dy, int width, int height);
// Mouse wheel: one step in (positive) or out (negative).
void ZoomCamera(CameraState& camera, int steps);

// The turn of frame `frame` of `frames` turning once about the screen's
// vertical axis from the start view.
Rotation TurntableRotation(const CameraStart& start, int frame, int frames);
