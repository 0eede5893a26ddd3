// What one frame of an opened volume draws, decided by the shell and handed
// to the renderer as one value: the renderer keeps how to draw (textures,
// programs, bricks), the shell what to draw.
#pragma once

#include <array>
#include <cstdint>

#include "render/render_mode.h"
#include "render/view_orientation.h"

// Cuts into the volume and slices shown in it, all exact per fragment, in
// the whole volume's box coordinates w: 0 to 1 on each canonical axis from
// one face of its voxels to the other.
struct VolumeCuts {
  // The crop box: only what lies inside is drawn.
  std::array<double, 3> cropLow{0, 0, 0};
  std::array<double, 3> cropHigh{1, 1, 1};
  // A plane fixed to the volume: what lies where normal . w + offset < 0 is
  // cut away.
  bool clip = false;
  std::array<double, 3> clipNormal{0, 0, 0};
  double clipOffset = 0;
  // Cut faces through visible tissue show the value lying on them, opaque,
  // in grey: the texel's value (0..1 of the window) times scale plus offset.
  bool caps = false;
  double capScale = 1;
  double capOffset = 0;
  // Opaque slices through the volume normal to each canonical axis, at w,
  // showing the pictures given to SetPlanePicture.
  std::array<bool, 3> planes{false, false, false};
  std::array<double, 3> planeAt{0.5, 0.5, 0.5};

  bool Cropped() const {
    return cropLow[0] > 0 || cropLow[1] > 0 || cropLow[2] > 0 || cropHigh[0] < 1 ||
           cropHigh[1] < 1 || cropHigh[2] < 1;
  }
  // Whether anything is cut or shown: otherwise the volume draws as it would
  // without cuts, at the same cost.
  bool Any() const { return Cropped() || clip || planes[0] || planes[1] || planes[2]; }
};

struct DrawInputs {
  Rotation orientation{1, 0, 0, 0, 1, 0, 0, 0, 1};
  RenderMode mode = RenderMode::Composite;
  float isoLevel = 0.5f;  // 0..1 of the intensity window
  int32_t sliceCount = 200;  // per longest side of the volume
  // Composite slices come front to back where the GL can read the pixel
  // being drawn over, and a pixel takes no more work once what lies in
  // front of it is stopOpacity opaque; otherwise back to front, every
  // pixel shaded to the end.
  bool frontToBack = true;
  float stopOpacity = 0.98f;
  // The plane fixed to the view that cuts away the front (keys c, b, n).
  bool viewClip = false;
  int32_t clipDistance = 0;
  // The part of the volume in the texture: w = texture coordinate * scale
  // + offset, per axis.
  std::array<double, 3> shownScale{1, 1, 1};
  std::array<double, 3> shownOffset{0, 0, 0};
  VolumeCuts cuts;
};
