// What one frame of an opened volume draws, decided by the shell and handed
// to the renderer as one value: the renderer keeps how to draw (textures,
// programs, bricks), the shell what to draw.
#pragma once

#include <cstdint>

#include "render/render_mode.h"
#include "render/view_orientation.h"

struct DrawInputs {
  Rotation orientation{1, 0, 0, 0, 1, 0, 0, 0, 1};
  RenderMode mode = RenderMode::Composite;
  float isoLevel = 0.5f;  // 0..1 of the intensity window
  int32_t sliceCount = 200;  // per longest side of the volume
  // The plane fixed to the view that cuts away the front (keys c, b, n).
  bool viewClip = false;
  int32_t clipDistance = 0;
};
