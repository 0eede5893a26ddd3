// The crop box's faces under the pointer in the 3D view, and dragging them:
// a face moves along its normal as far as the pointer moves along that
// normal's direction on the screen. All in the renderer's model frame: the
// part on show centred, its longest side 200 units, turned by the camera.
#pragma once

#include <array>

#include "app/view_state.h"
#include "files/volume_fit.h"
#include "files/volume_space.h"

// The crop box in model units, for the part on show and its proportions.
ModelBox CropModelBox(const CropBox& crop, const VolumeBox& shown, const std::array<float, 3>& proportions);

struct CropFace {
  int axis = -1;  // -1: none
  bool high = false;
};

// The face of the box nearest the viewer under pane pixel (x, y).
CropFace FaceUnderPointer(const CameraState& camera, int width, int height, double x, double y,
                          const ModelBox& box);

// Moves `face` of `crop` for a drag by (dx, dy) pixels, keeping the box
// within the volume and at least a voxel thick.
void DragCropFace(CropBox& crop, const CropFace& face, int dx, int dy, const CameraState& camera, int width,
                  int height, const VolumeBox& shown, const std::array<float, 3>& proportions,
                  const std::array<int64_t, 3>& sizes);

// Pane pixel of a model point (x right, y down).
std::array<double, 2> ModelToPane(const CameraState& camera, int width, int height, const Point3& model);
