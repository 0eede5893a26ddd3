// Semi-Lagrangian advection of the interior cells of one plane, in a plain
// and a 16-wide form; both give the same bits.
#pragma once

#include <cstdint>

#include "sources/fluid_grid.h"

namespace fluid {

// One field to carry: d = d0 traced back along the velocity.
struct AdvectTarget {
  float* d;
  const float* d0;
  int32_t kind;
};

// Interior cells of plane k of every target, traced back along (u, v, w)
// scaled by dt0; the targets share one back-trace per cell.
void AdvectPlanePlain(const Grid& at, const AdvectTarget* targets, int count, const float* u,
                      const float* v, const float* w, float dt0, int32_t k);

// The same with vector gathers at the active level (AVX-512 or AVX2);
// callable only when WideAdvectUsable(at).
void AdvectPlaneWide(const Grid& at, const AdvectTarget* targets, int count, const float* u,
                     const float* v, const float* w, float dt0, int32_t k);

// Whether the active instruction-set level has the gathers and the field is
// small enough for 32-bit gather offsets.
bool WideAdvectUsable(const Grid& at);

}  // namespace fluid
