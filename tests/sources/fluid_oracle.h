// Reference solver in the plain textbook loop order, single thread.
#pragma once

#include <cstdint>

namespace oracle {

void AccumulateSource(int32_t nx, int32_t ny, int32_t nz, float* x, const float* s, float dt);
void EnforceBoundary(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x);
void RelaxLinear(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                 float a, float c);
void DiffuseField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                  float diff, float dt);
void AdvectField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* d, const float* d0,
                 const float* u, const float* v, const float* w, float dt);
void ProjectVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* p,
                     float* div);
void StepDensity(int32_t nx, int32_t ny, int32_t nz, float* x, float* xPrev, const float* u,
                 const float* v, const float* w, float diff, float dt);
void StepVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* uPrev,
                  float* vPrev, float* wPrev, float visc, float dt);

}  // namespace oracle
