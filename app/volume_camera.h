// The camera on an opened volume: its turn (a standard view, then drags),
// zoom, pan and projection, and the start view that key 0 returns to. The
// built-in sources keep the fixed perspective and the drag angles as always;
// none of this acts before SetUpVolumeCamera.
#pragma once

#include <array>
#include <cstdint>

#include "render/view_orientation.h"

struct CameraStart {
  AnatomicalView view = AnatomicalView::Anterior;
  double zoom = 1.0;
  bool orthographic = false;
};

void SetUpVolumeCamera(const CameraStart& start);

// The view an opened volume starts from without --view: the front, unless
// the volume is a single slice or a thin slab (one voxel, or under a tenth
// of its longest side): then the view that looks through it, so a lone
// axial slice is seen face-on from above rather than as a line.
AnatomicalView FacingView(const std::array<int64_t, 3>& sizes, const std::array<double, 3>& spacing);
bool VolumeCameraActive();

// Keys A P L R S I (views), 0 (start view) and o (projection). Returns
// false, doing nothing, for other keys or without an opened volume.
bool VolumeCameraKey(unsigned char key);

// The projection for a window of this size; zoom narrows it about the
// centre of the view.
void ApplyVolumeProjection(int width, int height);
// Puts the pan on the modelview; called after glLoadIdentity each frame.
void ApplyVolumePan();

// A middle drag by this many pixels: turns about the screen's axes, or
// with `pan` moves the volume so it follows the pointer.
void DragVolume(int dx, int dy, bool pan);
// Mouse wheel: one step in (positive) or out (negative).
void ZoomVolume(int steps);

// The turn of frame `frame` of `frames` turning once about the screen's
// vertical axis from the start view.
void PoseForTurntable(int frame, int frames);
