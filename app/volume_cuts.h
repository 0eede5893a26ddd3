// Looking inside an opened volume: the crop box and the clip plane given in
// RAS mm, their lines on stdout, the view-fixed plane frozen into the
// volume, and all of it as the renderer takes it.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "app/view_state.h"
#include "files/volume_file.h"
#include "files/volume_fit.h"
#include "render/draw_inputs.h"

CropBox WholeCrop(const VolumeInfo& info);

// --crop's ranges along RAS x, y and z; an end left out is the volume's edge.
struct RasRange {
  std::optional<double> low;
  std::optional<double> high;
};
using CropRequest = std::array<RasRange, 3>;

// The box keeping what lies within the ranges (along the volume's axes
// nearest to them), cut to the volume; nullopt when it keeps nothing.
std::optional<CropBox> CropFromRas(const VolumeInfo& info, const CropRequest& request);

// Where the box's faces lie, as RAS ranges (both ends given): what
// CropFromRas takes to make the same box.
CropRequest CropToRas(const VolumeInfo& info, const CropBox& crop);

// "Crop (RAS mm): R 0.0..90.0, A -100.0..100.0, S -60.0..80.0" (plain x/y/z
// mm without a patient frame): where the box's faces lie.
std::string CropLine(const VolumeInfo& info, const CropBox& crop);

// A plane of --clip's numbers: normal made of unit length; nullopt for a
// zero normal.
std::optional<ClipPlane> ClipFromNumbers(const std::array<double, 4>& numbers);
// "Clip: --clip 0.000,1.000,0.000,-95.3": the plane as the option gives it.
std::string ClipLine(const ClipPlane& clip);

// The plane keys c, b and n place in front of the viewer, with the volume
// turned by `rotation`, as a plane fixed to the volume: where it cuts now.
// `shown` is the part of the volume on show, `proportions` its sides over
// the longest, as the renderer draws it.
ClipPlane FreezeViewClip(const VolumeInfo& info, const VolumeBox& shown,
                         const std::array<float, 3>& proportions, const Rotation& rotation,
                         int clipDistance);

// The cuts as the renderer takes them, in the volume's box coordinates.
// Caps and slices inside are for the modes with surfaces: composite and iso.
VolumeCuts RendererCuts(const VolumeInfo& info, const ViewState& state);
// The part on show as the renderer takes it: w = texture coordinate * scale + offset.
void ShownMapping(const VolumeInfo& info, const VolumeBox& shown, DrawInputs& inputs);
