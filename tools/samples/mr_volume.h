// An MR-like T1 volume of the head phantom: bright scalp, dark skull and
// fluid, grey brain, soft tissue borders and noise, as scanners give it.
#pragma once

#include <cstdint>
#include <vector>

// The phantom at side^3 voxels, keeping every `sliceStep`-th slice:
// side * side * (side / sliceStep) int16 values, x fastest.
std::vector<int16_t> BuildMrVolume(int side, int sliceStep);
