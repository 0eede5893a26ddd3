#include "sources/fluid_border.h"

#include "sources/fluid_grid.h"
#include "sources/fluid_solver.h"

namespace fluid {

void SetBorderCorners(int32_t nx, int32_t ny, int32_t nz, float* x) {
  const Grid at{nx, ny, nz};
  const int32_t I = nx + 1, J = ny + 1, K = nz + 1;
  // Deliberately the float 0.33, not 1/3: three neighbours of 1 give 0.99.
  const float third = 0.33f;
  x[at(0, 0, 0)] = third * (x[at(0, 0, 1)] + x[at(0, 1, 0)] + x[at(1, 0, 0)]);
  x[at(0, J, 0)] = third * (x[at(1, J, 0)] + x[at(0, ny, 0)] + x[at(0, J, 1)]);
  x[at(0, 0, K)] = third * (x[at(0, 1, K)] + x[at(1, 0, K)] + x[at(0, 0, nz)]);
  x[at(0, J, K)] = third * (x[at(1, J, K)] + x[at(0, J, nz)] + x[at(0, ny, K)]);
  x[at(I, 0, 0)] = third * (x[at(I, 0, 1)] + x[at(I, 1, 0)] + x[at(nx, 0, 0)]);
  x[at(I, J, 0)] = third * (x[at(I, ny, 0)] + x[at(I, J, 1)] + x[at(nx, J, 0)]);
  x[at(I, 0, K)] = third * (x[at(I, 1, K)] + x[at(I, 0, nz)] + x[at(nx, 0, K)]);
  x[at(I, J, K)] = third * (x[at(I, J, nz)] + x[at(I, ny, K)] + x[at(nx, J, K)]);
}

}  // namespace fluid

void EnforceBoundary(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x) {
  const fluid::Grid at{nx, ny, nz};
  const float si = kind == 1 ? -1.0f : 1.0f;
  const float sj = kind == 2 ? -1.0f : 1.0f;
  const float sk = kind == 3 ? -1.0f : 1.0f;
  const size_t row = at.RowStride();
  // Faces never read border cells, so walking memory in order gives the
  // same result as any other order.
  for (int32_t j = 1; j <= ny; ++j) {
    float* bottom = x + at(0, j, 0);
    float* top = x + at(0, j, nz + 1);
    const float* first = x + at(0, j, 1);
    const float* last = x + at(0, j, nz);
    for (int32_t i = 1; i <= nx; ++i) {
      bottom[i] = sk * first[i];
      top[i] = sk * last[i];
    }
  }
  for (int32_t k = 1; k <= nz; ++k) {
    float* front = x + at(0, 0, k);
    float* back = x + at(0, ny + 1, k);
    for (int32_t i = 1; i <= nx; ++i) {
      front[i] = sj * front[i + row];
      back[i] = sj * back[i - row];
    }
    for (int32_t j = 1; j <= ny; ++j) {
      float* line = x + at(0, j, k);
      line[0] = si * line[1];
      line[nx + 1] = si * line[nx];
    }
  }
  fluid::SetBorderCorners(nx, ny, nz, x);
}
