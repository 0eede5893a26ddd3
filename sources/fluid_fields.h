// State of the live fluid: grid sizes, the eight bordered fields and the
// simulation parameters.
#pragma once

#include <cstddef>
#include <cstdint>

extern int32_t gFluidNX;
extern int32_t gFluidNY;
extern int32_t gFluidNZ;

extern float* gVelU;
extern float* gVelV;
extern float* gVelW;
extern float* gVelUPrev;
extern float* gVelVPrev;
extern float* gVelWPrev;
extern float* gDensity;
extern float* gDensityPrev;

extern float gTimeStep;
extern float gViscosity;
extern float gDiffusion;
extern float gForceScale;
extern float gSourceDensity;

// Element of cell (i, j, k) in a bordered field of the current fluid sizes.
inline size_t CellIndex(int32_t i, int32_t j, int32_t k) {
  return static_cast<size_t>(i) +
         static_cast<size_t>(gFluidNX + 2) *
             (static_cast<size_t>(j) + static_cast<size_t>(gFluidNY + 2) * static_cast<size_t>(k));
}

// Number of floats in one bordered field at the current sizes.
size_t FluidFieldSize();

// Allocates the eight fields, uninitialised; false if any allocation failed.
bool AllocateFluidFields();
void ClearFluidFields();
