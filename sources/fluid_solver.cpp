// The solver passes other than relaxation. Cells of a pass are independent,
// so planes are shared out among the worker threads and walked in memory
// order; the per-cell arithmetic is that of the plain textbook loops.
#include "sources/fluid_solver.h"

#include "sources/fluid_advect.h"
#include "sources/fluid_grid.h"
#include "sources/fluid_workers.h"

namespace fluid {
namespace {

// Runs body(k) for every interior plane k, the planes shared among workers.
template <class Body>
void ForEachInteriorPlane(int32_t nz, Body body) {
  auto work = [&](int part, int parts) {
    const Share share = ShareOf(nz, part, parts);
    for (int32_t k = share.begin + 1; k <= share.end; ++k) body(k);
  };
  RunOnWorkers(work);
}

// Back-traces every target along one velocity; fields that share the
// velocity share the trace.
void AdvectFields(const Grid& at, const AdvectTarget* targets, int count, const float* u,
                  const float* v, const float* w, float dt) {
  const float dt0 = dt * static_cast<float>(at.nx);
  const bool wide = WideAdvectUsable(at);
  ForEachInteriorPlane(at.nz, [&](int32_t k) {
    if (wide) {
      AdvectPlaneWide(at, targets, count, u, v, w, dt0, k);
    } else {
      AdvectPlanePlain(at, targets, count, u, v, w, dt0, k);
    }
  });
  for (int f = 0; f < count; ++f) {
    EnforceBoundary(at.nx, at.ny, at.nz, targets[f].kind, targets[f].d);
  }
}

}  // namespace
}  // namespace fluid

using fluid::Grid;

void AccumulateSource(int32_t nx, int32_t ny, int32_t nz, float* x, const float* s, float dt) {
  const Grid at{nx, ny, nz};
  const size_t planeSize = at.PlaneStride();
  auto work = [&](int part, int parts) {
    const fluid::Share share = fluid::ShareOf(nz + 2, part, parts);
    const size_t end = planeSize * static_cast<size_t>(share.end);
    for (size_t e = planeSize * static_cast<size_t>(share.begin); e < end; ++e) {
      x[e] = dt * s[e] + x[e];
    }
  };
  fluid::RunOnWorkers(work);
}

void DiffuseField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                  float diff, float dt) {
  // Only nx, to the first power: the grid spacing is 1/nx on every axis.
  const float a = static_cast<float>(nx) * diff * dt;
  const float c = 1 + 6 * a;
  RelaxLinear(nx, ny, nz, kind, x, x0, a, c);
}

void AdvectField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* d, const float* d0,
                 const float* u, const float* v, const float* w, float dt) {
  const fluid::AdvectTarget target{d, d0, kind};
  fluid::AdvectFields(Grid{nx, ny, nz}, &target, 1, u, v, w, dt);
}

void ProjectVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* p,
                     float* div) {
  const Grid at{nx, ny, nz};
  const size_t row = at.RowStride(), plane = at.PlaneStride();
  const float n = static_cast<float>(nx);
  fluid::ForEachInteriorPlane(nz, [&](int32_t k) {
    for (int32_t j = 1; j <= ny; ++j) {
      const size_t base = at(0, j, k);
      for (size_t c = base + 1; c <= base + static_cast<size_t>(nx); ++c) {
        div[c] = -0.5f * (u[c + 1] - u[c - 1] + v[c + row] - v[c - row] + w[c + plane] -
                          w[c - plane]) /
                 n;
        p[c] = 0;
      }
    }
  });
  EnforceBoundary(nx, ny, nz, 0, div);
  EnforceBoundary(nx, ny, nz, 0, p);
  RelaxLinear(nx, ny, nz, 0, p, div, 1, 6);
  fluid::ForEachInteriorPlane(nz, [&](int32_t k) {
    for (int32_t j = 1; j <= ny; ++j) {
      const size_t base = at(0, j, k);
      for (size_t c = base + 1; c <= base + static_cast<size_t>(nx); ++c) {
        u[c] -= (p[c + 1] - p[c - 1]) * n * 0.5f;
        v[c] -= (p[c + row] - p[c - row]) * n * 0.5f;
        w[c] -= (p[c + plane] - p[c - plane]) * n * 0.5f;
      }
    }
  });
  EnforceBoundary(nx, ny, nz, 1, u);
  EnforceBoundary(nx, ny, nz, 2, v);
  EnforceBoundary(nx, ny, nz, 3, w);
}

void StepDensity(int32_t nx, int32_t ny, int32_t nz, float* x, float* xPrev, const float* u,
                 const float* v, const float* w, float diff, float dt) {
  AccumulateSource(nx, ny, nz, x, xPrev, dt);
  DiffuseField(nx, ny, nz, 0, xPrev, x, diff, dt);
  AdvectField(nx, ny, nz, 0, x, xPrev, u, v, w, dt);
}

void StepVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* uPrev,
                  float* vPrev, float* wPrev, float visc, float dt) {
  AccumulateSource(nx, ny, nz, u, uPrev, dt);
  AccumulateSource(nx, ny, nz, v, vPrev, dt);
  AccumulateSource(nx, ny, nz, w, wPrev, dt);
  DiffuseField(nx, ny, nz, 1, uPrev, u, visc, dt);
  DiffuseField(nx, ny, nz, 2, vPrev, v, visc, dt);
  DiffuseField(nx, ny, nz, 3, wPrev, w, visc, dt);
  ProjectVelocity(nx, ny, nz, uPrev, vPrev, wPrev, u, v);
  // The three components travel along the same (unchanged) velocity.
  const fluid::AdvectTarget targets[3] = {{u, uPrev, 1}, {v, vPrev, 2}, {w, wPrev, 3}};
  fluid::AdvectFields(Grid{nx, ny, nz}, targets, 3, uPrev, vPrev, wPrev, dt);
  ProjectVelocity(nx, ny, nz, u, v, w, uPrev, vPrev);
}
