#include "tests/sources/fluid_oracle.h"

#include <cstddef>

// Cell (i, j, k) of a field of the sizes in scope.
#define IX(i, j, k) ((i) + (nx + 2) * ((j) + (ny + 2) * static_cast<size_t>(k)))
#define FOR_EACH_CELL                 \
  for (int32_t i = 1; i <= nx; ++i)   \
    for (int32_t j = 1; j <= ny; ++j) \
      for (int32_t k = 1; k <= nz; ++k)

namespace oracle {
namespace {

void AccumulateSource(int32_t nx, int32_t ny, int32_t nz, float* x, const float* s, float dt) {
  for (size_t e = 0; e < IX(0, 0, nz + 2); ++e) x[e] = dt * s[e] + x[e];
}

void EnforceBoundary(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x) {
  for (int32_t i = 1; i <= nx; ++i) {
    for (int32_t j = 1; j <= ny; ++j) {
      x[IX(i, j, 0)] = kind == 3 ? -x[IX(i, j, 1)] : x[IX(i, j, 1)];
      x[IX(i, j, nz + 1)] = kind == 3 ? -x[IX(i, j, nz)] : x[IX(i, j, nz)];
    }
    for (int32_t k = 1; k <= nz; ++k) {
      x[IX(i, 0, k)] = kind == 2 ? -x[IX(i, 1, k)] : x[IX(i, 1, k)];
      x[IX(i, ny + 1, k)] = kind == 2 ? -x[IX(i, ny, k)] : x[IX(i, ny, k)];
    }
  }
  for (int32_t j = 1; j <= ny; ++j) {
    for (int32_t k = 1; k <= nz; ++k) {
      x[IX(0, j, k)] = kind == 1 ? -x[IX(1, j, k)] : x[IX(1, j, k)];
      x[IX(nx + 1, j, k)] = kind == 1 ? -x[IX(nx, j, k)] : x[IX(nx, j, k)];
    }
  }
  const int32_t I = nx + 1, J = ny + 1, K = nz + 1;
  x[IX(0, 0, 0)] = 0.33f * (x[IX(0, 0, 1)] + x[IX(0, 1, 0)] + x[IX(1, 0, 0)]);
  x[IX(0, J, 0)] = 0.33f * (x[IX(1, J, 0)] + x[IX(0, ny, 0)] + x[IX(0, J, 1)]);
  x[IX(0, 0, K)] = 0.33f * (x[IX(0, 1, K)] + x[IX(1, 0, K)] + x[IX(0, 0, nz)]);
  x[IX(0, J, K)] = 0.33f * (x[IX(1, J, K)] + x[IX(0, J, nz)] + x[IX(0, ny, K)]);
  x[IX(I, 0, 0)] = 0.33f * (x[IX(I, 0, 1)] + x[IX(I, 1, 0)] + x[IX(nx, 0, 0)]);
  x[IX(I, J, 0)] = 0.33f * (x[IX(I, ny, 0)] + x[IX(I, J, 1)] + x[IX(nx, J, 0)]);
  x[IX(I, 0, K)] = 0.33f * (x[IX(I, 1, K)] + x[IX(I, 0, nz)] + x[IX(nx, 0, K)]);
  x[IX(I, J, K)] = 0.33f * (x[IX(I, J, nz)] + x[IX(I, ny, K)] + x[IX(nx, J, K)]);
}

void DiffuseField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                  float diff, float dt) {
  const float a = static_cast<float>(nx) * diff * dt;
  RelaxLinear(nx, ny, nz, kind, x, x0, a, 1 + 6 * a);
}

void ProjectVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* p,
                     float* div) {
  FOR_EACH_CELL {
    div[IX(i, j, k)] = -0.5f *
                       (u[IX(i + 1, j, k)] - u[IX(i - 1, j, k)] + v[IX(i, j + 1, k)] -
                        v[IX(i, j - 1, k)] + w[IX(i, j, k + 1)] - w[IX(i, j, k - 1)]) /
                       nx;
    p[IX(i, j, k)] = 0;
  }
  EnforceBoundary(nx, ny, nz, 0, div);
  EnforceBoundary(nx, ny, nz, 0, p);
  RelaxLinear(nx, ny, nz, 0, p, div, 1, 6);
  FOR_EACH_CELL {
    u[IX(i, j, k)] -= (p[IX(i + 1, j, k)] - p[IX(i - 1, j, k)]) * nx * 0.5f;
    v[IX(i, j, k)] -= (p[IX(i, j + 1, k)] - p[IX(i, j - 1, k)]) * nx * 0.5f;
    w[IX(i, j, k)] -= (p[IX(i, j, k + 1)] - p[IX(i, j, k - 1)]) * nx * 0.5f;
  }
  EnforceBoundary(nx, ny, nz, 1, u);
  EnforceBoundary(nx, ny, nz, 2, v);
  EnforceBoundary(nx, ny, nz, 3, w);
}

}  // namespace

void RelaxLinear(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                 float a, float c) {
  for (int32_t sweep = 0; sweep < 20; ++sweep) {
    FOR_EACH_CELL {
      x[IX(i, j, k)] =
          (x0[IX(i, j, k)] + a * (x[IX(i - 1, j, k)] + x[IX(i, j - 1, k)] + x[IX(i, j, k + 1)] +
                                  x[IX(i, j + 1, k)] + x[IX(i, j, k - 1)] + x[IX(i + 1, j, k)])) /
          c;
    }
    EnforceBoundary(nx, ny, nz, kind, x);
  }
}

void AdvectField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* d, const float* d0,
                 const float* u, const float* v, const float* w, float dt) {
  const float dt0 = dt * static_cast<float>(nx);
  FOR_EACH_CELL {
    float px = i - dt0 * u[IX(i, j, k)];
    float py = j - dt0 * v[IX(i, j, k)];
    float pz = k - dt0 * w[IX(i, j, k)];
    px = px < 0.5f ? 0.5f : px > nx + 0.5f ? nx + 0.5f : px;
    py = py < 0.5f ? 0.5f : py > ny + 0.5f ? ny + 0.5f : py;
    pz = pz < 0.5f ? 0.5f : pz > nz + 0.5f ? nz + 0.5f : pz;
    const int32_t i0 = static_cast<int32_t>(px), i1 = i0 + 1;
    const int32_t j0 = static_cast<int32_t>(py), j1 = j0 + 1;
    const int32_t k0 = static_cast<int32_t>(pz), k1 = k0 + 1;
    const float s1 = px - i0, s0 = 1 - s1, t1 = py - j0, t0 = 1 - t1, r1 = pz - k0, r0 = 1 - r1;
    d[IX(i, j, k)] = s0 * (t0 * (r0 * d0[IX(i0, j0, k0)] + r1 * d0[IX(i0, j0, k1)]) +
                           t1 * (r0 * d0[IX(i0, j1, k0)] + r1 * d0[IX(i0, j1, k1)])) +
                     s1 * (t0 * (r0 * d0[IX(i1, j0, k0)] + r1 * d0[IX(i1, j0, k1)]) +
                           t1 * (r0 * d0[IX(i1, j1, k0)] + r1 * d0[IX(i1, j1, k1)]));
  }
  EnforceBoundary(nx, ny, nz, kind, d);
}

void StepDensity(int32_t nx, int32_t ny, int32_t nz, float* x, float* xPrev, const float* u,
                 const float* v, const float* w, float diff, float dt) {
  AccumulateSource(nx, ny, nz, x, xPrev, dt);
  DiffuseField(nx, ny, nz, 0, xPrev, x, diff, dt);
  AdvectField(nx, ny, nz, 0, x, xPrev, u, v, w, dt);
}

void StepVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* uPrev,
                  float* vPrev, float* wPrev, float visc, float dt) {
  float* const vel[] = {u, v, w};
  float* const prev[] = {uPrev, vPrev, wPrev};
  for (int c = 0; c < 3; ++c) AccumulateSource(nx, ny, nz, vel[c], prev[c], dt);
  for (int c = 0; c < 3; ++c) DiffuseField(nx, ny, nz, c + 1, prev[c], vel[c], visc, dt);
  ProjectVelocity(nx, ny, nz, uPrev, vPrev, wPrev, u, v);
  for (int c = 0; c < 3; ++c)
    AdvectField(nx, ny, nz, c + 1, vel[c], prev[c], uPrev, vPrev, wPrev, dt);
  ProjectVelocity(nx, ny, nz, u, v, w, uPrev, vPrev);
}

}  // namespace oracle
