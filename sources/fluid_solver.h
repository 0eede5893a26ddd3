// Stable-fluids solver on a bordered grid: plain functions working in place
// on caller-owned float fields of (nx+2)*(ny+2)*(nz+2) cells, i fastest.
// Field kinds for the border: 0 scalar, 1/2/3 the velocity component along
// i/j/k, whose two faces across that axis are negated.
// The passes share their work with helper threads and keep one scratch area
// for relaxation, so calls must not overlap (one thread calls them at a time).
#pragma once

#include <cstdint>

// x += dt * s on every element, border included.
void AccumulateSource(int32_t nx, int32_t ny, int32_t nz, float* x, const float* s, float dt);

// Writes the six faces and eight corners of x; edges are left alone.
void EnforceBoundary(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x);

// Exactly 20 in-place Gauss-Seidel sweeps of c*x - a*(6 neighbours) = x0,
// each sweep followed by the border rule.
void RelaxLinear(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                 float a, float c);

// x = x0 diffused by diff over dt (implicit, grid spacing 1/nx on every axis).
void DiffuseField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                  float diff, float dt);

// d = d0 carried back along (u, v, w) over dt, trilinear, clamped per axis.
void AdvectField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* d, const float* d0,
                 const float* u, const float* v, const float* w, float dt);

// Makes (u, v, w) divergence-free; p and div are scratch fields.
void ProjectVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* p,
                     float* div);

// One density step: x is the density, xPrev its source (left holding the
// diffused density).
void StepDensity(int32_t nx, int32_t ny, int32_t nz, float* x, float* xPrev, const float* u,
                 const float* v, const float* w, float diff, float dt);

// One velocity step: uPrev, vPrev, wPrev are the sources, then scratch.
void StepVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* uPrev,
                  float* vPrev, float* wPrev, float visc, float dt);
