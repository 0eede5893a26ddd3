// Reference solver: the textbook loops, literally, single thread.
#pragma once

#include <cstdint>

namespace oracle {

void RelaxLinear(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                 float a, float c);
void AdvectField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* d, const float* d0,
                 const float* u, const float* v, const float* w, float dt);
void StepDensity(int32_t nx, int32_t ny, int32_t nz, float* x, float* xPrev, const float* u,
                 const float* v, const float* w, float diff, float dt);
void StepVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* uPrev,
                  float* vPrev, float* wPrev, float visc, float dt);

}  // namespace oracle
