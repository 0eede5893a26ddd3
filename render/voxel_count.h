// Element counts of volumes whose sizes come from files and callers: a
// product that wrapped round would size a buffer smaller than the loops that
// fill it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

// nx*ny*nz*components, or 0 when a factor is below 1 or the count of floats
// would not fit a byte size that pointer differences can span.
inline size_t VoxelElementCount(int32_t nx, int32_t ny, int32_t nz, int32_t components) {
  constexpr size_t kMaxFloats = std::numeric_limits<ptrdiff_t>::max() / sizeof(float);
  size_t count = 1;
  for (const int32_t factor : {nx, ny, nz, components}) {
    if (factor < 1 || count > kMaxFloats / static_cast<size_t>(factor)) return 0;
    count *= static_cast<size_t>(factor);
  }
  return count;
}
