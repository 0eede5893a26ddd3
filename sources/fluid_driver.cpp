#include "sources/fluid_driver.h"

#include <initializer_list>

#include "sources/fluid_fields.h"
#include "sources/fluid_solver.h"
#include "sources/fluid_workers.h"

void InjectMouseSources(FluidPointer& pointer, float* s, float* su, float* sv) {
  const size_t count = FluidFieldSize();
  for (float* field : {gVelWPrev, s, sv, su}) fluid::ClearInParallel(field, count);
  if (!pointer.leftDown && !pointer.rightDown) return;

  // Window y grows downwards, j upwards; the float product is truncated.
  const float fi = static_cast<float>(pointer.x) / static_cast<float>(pointer.windowWidth) *
                       static_cast<float>(gFluidNX) +
                   1.0f;
  const float fj = static_cast<float>(pointer.windowHeight - pointer.y) /
                       static_cast<float>(pointer.windowHeight) * static_cast<float>(gFluidNY) +
                   1.0f;
  // Outside the grid: skip, and keep measuring from the last position used.
  // Checked before truncating, so a zero-sized (minimised) window, whose
  // quotient is infinite or NaN, is rejected too instead of converted.
  if (!(fi >= 1.0f && fi < static_cast<float>(gFluidNX) + 1.0f && fj >= 1.0f &&
        fj < static_cast<float>(gFluidNY) + 1.0f)) {
    return;
  }
  const int32_t i = static_cast<int32_t>(fi);
  const int32_t j = static_cast<int32_t>(fj);

  const size_t cell = CellIndex(i, j, gFluidNZ / 2 + 1);
  if (pointer.leftDown) {
    su[cell] = static_cast<float>(pointer.x - pointer.oldX) * gForceScale;
    sv[cell] = static_cast<float>(pointer.oldY - pointer.y) * gForceScale;
  }
  if (pointer.rightDown) s[cell] = gSourceDensity;
  pointer.oldX = pointer.x;
  pointer.oldY = pointer.y;
}

void AdvanceFluid(bool fluidMode, bool paused, FluidPointer& pointer) {
  if (paused || !fluidMode) return;
  InjectMouseSources(pointer, gDensityPrev, gVelUPrev, gVelVPrev);
  StepVelocity(gFluidNX, gFluidNY, gFluidNZ, gVelU, gVelV, gVelW, gVelUPrev, gVelVPrev, gVelWPrev,
               gViscosity, gTimeStep);
  StepDensity(gFluidNX, gFluidNY, gFluidNZ, gDensity, gDensityPrev, gVelU, gVelV, gVelW,
              gDiffusion, gTimeStep);
}
