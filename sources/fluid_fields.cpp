#include "sources/fluid_fields.h"

#include <cstring>
#include <initializer_list>
#include <new>

int32_t gFluidNX = 0;
int32_t gFluidNY = 0;
int32_t gFluidNZ = 0;

float* gVelU = nullptr;
float* gVelV = nullptr;
float* gVelW = nullptr;
float* gVelUPrev = nullptr;
float* gVelVPrev = nullptr;
float* gVelWPrev = nullptr;
float* gDensity = nullptr;
float* gDensityPrev = nullptr;

float gTimeStep = 0.0f;
float gViscosity = 0.0f;
float gDiffusion = 0.0f;
float gForceScale = 0.0f;
float gSourceDensity = 0.0f;

size_t FluidFieldSize() {
  return static_cast<size_t>(gFluidNX + 2) * static_cast<size_t>(gFluidNY + 2) *
         static_cast<size_t>(gFluidNZ + 2);
}

bool AllocateFluidFields() {
  const size_t n = FluidFieldSize();
  bool ok = true;
  for (float** field : {&gVelU, &gVelV, &gVelW, &gVelUPrev, &gVelVPrev, &gVelWPrev, &gDensity,
                        &gDensityPrev}) {
    *field = new (std::nothrow) float[n];
    ok = ok && *field != nullptr;
  }
  return ok;
}

void ClearFluidFields() {
  const size_t bytes = FluidFieldSize() * sizeof(float);
  for (float* field : {gDensityPrev, gDensity, gVelWPrev, gVelVPrev, gVelUPrev, gVelW, gVelV, gVelU}) {
    std::memset(field, 0, bytes);
  }
}
