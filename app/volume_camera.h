// The camera on an opened volume: its projection for a pane of the window,
// the drags and the wheel that turn, pan and zoom it, and the turn of a
// turntable's frames. The built-in sources keep their fixed perspective and
// drag angles.
#pragma once

#include <array>
#include <cstdint>

#include "app/view_state.h"

// The view an opened volume starts from without --view: the front, unless
// the volume is a single slice or a thin slab (one voxel, or under a tenth
// of its longest side): then the view that looks through it, so a lone
// axial slice is seen face-on from above rather than as a line.
AnatomicalView FacingView(const std::array<int64_t, 3>& sizes, const std::array<double, 3>& spacing);

// The camera at the start view.
CameraState StartCamera(const CameraStart& start);

// Loads the projection for a pane of this size; zoom narrows it about the
// centre of the view.
void ApplyCameraProjection(const CameraState& camera, int width, int height);
// Puts the pan on the modelview; called after glLoadIdentity each frame.
void ApplyCameraPan(const CameraState& camera);

// A middle drag by this many pixels in a pane `paneHeight` pixels high:
// turns about the screen's axes.
void TurnCamera(CameraState& camera, int dx, int dy);
// ... or with shift, moves the volume so that it follows the pointer.
void PanCamera(CameraState& camera, int dx, int dy, int paneHeight);
// Mouse wheel: one step in (positive) or out (negative).
void ZoomCamera(CameraState& camera, int steps);

// The turn of frame `frame` of `frames` turning once about the screen's
// vertical axis from the start view.
Rotation TurntableRotation(const CameraStart& start, int frame, int frames);
