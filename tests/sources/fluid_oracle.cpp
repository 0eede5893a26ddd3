#include "tests/sources/fluid_oracle.h"

#include <cstddef>

namespace oracle {
namespace {

struct Grid {
  int32_t nx, ny, nz;
  size_t operator()(int32_t i, int32_t j, int32_t k) const {
    return static_cast<size_t>(i) +
           static_cast<size_t>(nx + 2) *
               (static_cast<size_t>(j) + static_cast<size_t>(ny + 2) * static_cast<size_t>(k));
  }
  size_t size() const {
    return static_cast<size_t>(nx + 2) * static_cast<size_t>(ny + 2) * static_cast<size_t>(nz + 2);
  }
};

}  // namespace

void AccumulateSource(int32_t nx, int32_t ny, int32_t nz, float* x, const float* s, float dt) {
  const size_t n = Grid{nx, ny, nz}.size();
  for (size_t e = 0; e < n; ++e) x[e] = dt * s[e] + x[e];
}

void EnforceBoundary(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x) {
  const Grid ix{nx, ny, nz};
  for (int32_t i = 1; i <= nx; ++i) {
    for (int32_t j = 1; j <= ny; ++j) {
      x[ix(i, j, 0)] = kind == 3 ? -x[ix(i, j, 1)] : x[ix(i, j, 1)];
      x[ix(i, j, nz + 1)] = kind == 3 ? -x[ix(i, j, nz)] : x[ix(i, j, nz)];
    }
    for (int32_t k = 1; k <= nz; ++k) {
      x[ix(i, 0, k)] = kind == 2 ? -x[ix(i, 1, k)] : x[ix(i, 1, k)];
      x[ix(i, ny + 1, k)] = kind == 2 ? -x[ix(i, ny, k)] : x[ix(i, ny, k)];
    }
  }
  for (int32_t j = 1; j <= ny; ++j) {
    for (int32_t k = 1; k <= nz; ++k) {
      x[ix(0, j, k)] = kind == 1 ? -x[ix(1, j, k)] : x[ix(1, j, k)];
      x[ix(nx + 1, j, k)] = kind == 1 ? -x[ix(nx, j, k)] : x[ix(nx, j, k)];
    }
  }
  const int32_t I = nx + 1, J = ny + 1, K = nz + 1;
  x[ix(0, 0, 0)] = 0.33f * (x[ix(0, 0, 1)] + x[ix(0, 1, 0)] + x[ix(1, 0, 0)]);
  x[ix(0, J, 0)] = 0.33f * (x[ix(1, J, 0)] + x[ix(0, ny, 0)] + x[ix(0, J, 1)]);
  x[ix(0, 0, K)] = 0.33f * (x[ix(0, 1, K)] + x[ix(1, 0, K)] + x[ix(0, 0, nz)]);
  x[ix(0, J, K)] = 0.33f * (x[ix(1, J, K)] + x[ix(0, J, nz)] + x[ix(0, ny, K)]);
  x[ix(I, 0, 0)] = 0.33f * (x[ix(I, 0, 1)] + x[ix(I, 1, 0)] + x[ix(nx, 0, 0)]);
  x[ix(I, J, 0)] = 0.33f * (x[ix(I, ny, 0)] + x[ix(I, J, 1)] + x[ix(nx, J, 0)]);
  x[ix(I, 0, K)] = 0.33f * (x[ix(I, 1, K)] + x[ix(I, 0, nz)] + x[ix(nx, 0, K)]);
  x[ix(I, J, K)] = 0.33f * (x[ix(I, J, nz)] + x[ix(I, ny, K)] + x[ix(nx, J, K)]);
}

void RelaxLinear(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                 float a, float c) {
  const Grid ix{nx, ny, nz};
  for (int32_t sweep = 0; sweep < 20; ++sweep) {
    for (int32_t i = 1; i <= nx; ++i) {
      for (int32_t j = 1; j <= ny; ++j) {
        for (int32_t k = 1; k <= nz; ++k) {
          x[ix(i, j, k)] = (x0[ix(i, j, k)] +
                            a * (x[ix(i - 1, j, k)] + x[ix(i, j - 1, k)] + x[ix(i, j, k + 1)] +
                                 x[ix(i, j + 1, k)] + x[ix(i, j, k - 1)] + x[ix(i + 1, j, k)])) /
                           c;
        }
      }
    }
    EnforceBoundary(nx, ny, nz, kind, x);
  }
}

void DiffuseField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                  float diff, float dt) {
  const float a = static_cast<float>(nx) * diff * dt;
  const float c = 1 + 6 * a;
  RelaxLinear(nx, ny, nz, kind, x, x0, a, c);
}

void AdvectField(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* d, const float* d0,
                 const float* u, const float* v, const float* w, float dt) {
  const Grid ix{nx, ny, nz};
  const float dt0 = dt * static_cast<float>(nx);
  for (int32_t i = 1; i <= nx; ++i) {
    for (int32_t j = 1; j <= ny; ++j) {
      for (int32_t k = 1; k <= nz; ++k) {
        float px = i - dt0 * u[ix(i, j, k)];
        float py = j - dt0 * v[ix(i, j, k)];
        float pz = k - dt0 * w[ix(i, j, k)];
        if (px < 0.5f) px = 0.5f;
        if (px > nx + 0.5f) px = nx + 0.5f;
        if (py < 0.5f) py = 0.5f;
        if (py > ny + 0.5f) py = ny + 0.5f;
        if (pz < 0.5f) pz = 0.5f;
        if (pz > nz + 0.5f) pz = nz + 0.5f;
        const int32_t i0 = static_cast<int32_t>(px), i1 = i0 + 1;
        const int32_t j0 = static_cast<int32_t>(py), j1 = j0 + 1;
        const int32_t k0 = static_cast<int32_t>(pz), k1 = k0 + 1;
        const float s1 = px - i0, s0 = 1 - s1;
        const float t1 = py - j0, t0 = 1 - t1;
        const float r1 = pz - k0, r0 = 1 - r1;
        d[ix(i, j, k)] =
            s0 * (t0 * (r0 * d0[ix(i0, j0, k0)] + r1 * d0[ix(i0, j0, k1)]) +
                  t1 * (r0 * d0[ix(i0, j1, k0)] + r1 * d0[ix(i0, j1, k1)])) +
            s1 * (t0 * (r0 * d0[ix(i1, j0, k0)] + r1 * d0[ix(i1, j0, k1)]) +
                  t1 * (r0 * d0[ix(i1, j1, k0)] + r1 * d0[ix(i1, j1, k1)]));
      }
    }
  }
  EnforceBoundary(nx, ny, nz, kind, d);
}

void ProjectVelocity(int32_t nx, int32_t ny, int32_t nz, float* u, float* v, float* w, float* p,
                     float* div) {
  const Grid ix{nx, ny, nz};
  for (int32_t i = 1; i <= nx; ++i) {
    for (int32_t j = 1; j <= ny; ++j) {
      for (int32_t k = 1; k <= nz; ++k) {
        div[ix(i, j, k)] = -0.5f *
                           (u[ix(i + 1, j, k)] - u[ix(i - 1, j, k)] + v[ix(i, j + 1, k)] -
                            v[ix(i, j - 1, k)] + w[ix(i, j, k + 1)] - w[ix(i, j, k - 1)]) /
                           nx;
        p[ix(i, j, k)] = 0;
      }
    }
  }
  EnforceBoundary(nx, ny, nz, 0, div);
  EnforceBoundary(nx, ny, nz, 0, p);
  RelaxLinear(nx, ny, nz, 0, p, div, 1, 6);
  for (int32_t i = 1; i <= nx; ++i) {
    for (int32_t j = 1; j <= ny; ++j) {
      for (int32_t k = 1; k <= nz; ++k) {
        u[ix(i, j, k)] -= (p[ix(i + 1, j, k)] - p[ix(i - 1, j, k)]) * nx * 0.5f;
        v[ix(i, j, k)] -= (p[ix(i, j + 1, k)] - p[ix(i, j - 1, k)]) * nx * 0.5f;
        w[ix(i, j, k)] -= (p[ix(i, j, k + 1)] - p[ix(i, j, k - 1)]) * nx * 0.5f;
      }
    }
  }
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
  AdvectField(nx, ny, nz, 1, u, uPrev, uPrev, vPrev, wPrev, dt);
  AdvectField(nx, ny, nz, 2, v, vPrev, uPrev, vPrev, wPrev, dt);
  AdvectField(nx, ny, nz, 3, w, wPrev, uPrev, vPrev, wPrev, dt);
  ProjectVelocity(nx, ny, nz, u, v, w, uPrev, vPrev);
}

}  // namespace oracle
