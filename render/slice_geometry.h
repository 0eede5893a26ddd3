// Where the slices of the stack lie and how far the clip box reaches, in the
// model units of the stack (x and y in [-100, 100], viewer on the +z side).
#pragma once

#include <cstdint>
#include <vector>

struct SlicePlacement {
  float z;  // model-space depth of the quad
  float r;  // third texture coordinate of its four corners
};

// Half a voxel of an axis of sizeZ voxels, in single precision.
float SliceHalfVoxel(int32_t sizeZ);

// Slice index of count slices, back (index 0, z = -100 + halfVoxel) to front
// (z = 100 - halfVoxel); r steps by 1/count from 1. A lone slice sits at z = 0.
SlicePlacement PlaceSlice(int32_t index, int32_t count, float halfVoxel);

// The whole stack, back to front, for a volume of sizeZ voxels along z;
// empty when count is 0 or below.
std::vector<SlicePlacement> PlanSliceStack(int32_t count, int32_t sizeZ);

// Half-extent of the clip box along an axis: 10 units inside the face plus
// half a voxel, in double precision.
double BoxHalfExtent(int32_t size);
