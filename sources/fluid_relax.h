// Pieces of the relaxation that are useful on their own.
#pragma once

#include <cstdint>

namespace fluid {

// RelaxLinear done as plain in-place sweeps in memory order, without the
// fast path's workspace: the fallback when that cannot be allocated or would
// be many times the field (tall thin grids). Same bits, several times slower.
void RelaxInPlace(int32_t nx, int32_t ny, int32_t nz, int32_t kind, float* x, const float* x0,
                  float a, float c);

}  // namespace fluid
