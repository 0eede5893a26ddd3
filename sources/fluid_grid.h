// Index arithmetic for a bordered fluid field of explicit sizes (the solver
// works on any sizes, not only the global ones).
#pragma once

#include <cstddef>
#include <cstdint>

namespace fluid {

struct Grid {
  int32_t nx, ny, nz;

  size_t RowStride() const { return static_cast<size_t>(nx) + 2; }
  size_t PlaneStride() const { return RowStride() * (static_cast<size_t>(ny) + 2); }
  size_t Size() const { return PlaneStride() * (static_cast<size_t>(nz) + 2); }
  size_t operator()(int32_t i, int32_t j, int32_t k) const {
    return static_cast<size_t>(i) + RowStride() * static_cast<size_t>(j) +
           PlaneStride() * static_cast<size_t>(k);
  }
};

}  // namespace fluid
