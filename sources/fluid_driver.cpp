#include "sources/fluid_driver.h"

#include <GL/freeglut.h>

#include <initializer_list>

#include "app/app_state.h"
#include "sources/fluid_fields.h"
#include "sources/fluid_solver.h"
#include "sources/fluid_workers.h"

void InjectMouseSources(float* s, float* su, float* sv) {
  const size_t count = FluidFieldSize();
  for (float* field : {gVelWPrev, s, sv, su}) fluid::ClearInParallel(field, count);
  if (!gLeftDown && !gRightDown) return;

  // Window y grows downwards, j upwards; the float product is truncated.
  const float fi = static_cast<float>(gMouseX) / static_cast<float>(gWindowWidth) *
                       static_cast<float>(gFluidNX) +
                   1.0f;
  const float fj = static_cast<float>(gWindowHeight - gMouseY) /
                       static_cast<float>(gWindowHeight) * static_cast<float>(gFluidNY) +
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
  if (gLeftDown) {
    su[cell] = static_cast<float>(gMouseX - gMouseOldX) * gForceScale;
    sv[cell] = static_cast<float>(gMouseOldY - gMouseY) * gForceScale;
  }
  if (gRightDown) s[cell] = gSourceDensity;
  gMouseOldX = gMouseX;
  gMouseOldY = gMouseY;
}

void AdvanceFluid() {
  if (gPaused || !gFluidMode) return;
  InjectMouseSources(gDensityPrev, gVelUPrev, gVelVPrev);
  StepVelocity(gFluidNX, gFluidNY, gFluidNZ, gVelU, gVelV, gVelW, gVelUPrev, gVelVPrev, gVelWPrev,
               gViscosity, gTimeStep);
  StepDensity(gFluidNX, gFluidNY, gFluidNZ, gDensity, gDensityPrev, gVelU, gVelV, gVelW,
              gDiffusion, gTimeStep);
}

void IdleCallback() {
  AdvanceFluid();
  glutPostRedisplay();
}
