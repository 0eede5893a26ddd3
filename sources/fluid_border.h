// Border pieces shared by the solver passes.
#pragma once

#include <cstdint>

namespace fluid {

// Each of the eight corners becomes 0.33 times the sum of its three edge
// neighbours (same rule for every field kind).
void SetBorderCorners(int32_t nx, int32_t ny, int32_t nz, float* x);

}  // namespace fluid
