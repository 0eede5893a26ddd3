#include "sources/fluid_fields.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

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

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

// Fresh memory faults in one 4 KiB page at a time on first touch, which made
// clearing the 155 MiB of fields most of the start-up time; on 2 MiB pages it
// costs a fraction of that. The advice is only advice: without huge pages the
// fields work the same.
float* AllocateField(size_t count) {
  const size_t bytes = (count * sizeof(float) + kHugePage - 1) / kHugePage * kHugePage;
  void* field = std::aligned_alloc(kHugePage, bytes);
  if (field != nullptr) madvise(field, bytes, MADV_HUGEPAGE);
  return static_cast<float*>(field);
}

}  // namespace

bool AllocateFluidFields() {
  const size_t n = FluidFieldSize();
  bool ok = true;
  for (float** field : {&gVelU, &gVelV, &gVelW, &gVelUPrev, &gVelVPrev, &gVelWPrev, &gDensity,
                        &gDensityPrev}) {
    *field = AllocateField(n);
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
