#include "render/slice_geometry.h"

#include <cstddef>

float SliceHalfVoxel(int32_t sizeZ) { return 100.0f / static_cast<float>(sizeZ); }

SlicePlacement PlaceSlice(int32_t index, int32_t count, float halfVoxel) {
  const float r = 1.0f - static_cast<float>(index) / static_cast<float>(count);
  // One slice has no spacing (0/0); put it in the middle of the stack.
  if (count == 1) return {0.0f, r};
  // The product is rounded to float before the division, whatever precision
  // the compiler would keep it in, so positions are reproducible.
  const float span = (200.0f - 2.0f * halfVoxel) * static_cast<float>(index);
  const float z = halfVoxel + span / static_cast<float>(count - 1) - 100.0f;
  return {z, r};
}

std::vector<SlicePlacement> PlanSliceStack(int32_t count, int32_t sizeZ) {
  std::vector<SlicePlacement> stack;
  if (count <= 0) return stack;
  const float halfVoxel = SliceHalfVoxel(sizeZ);
  stack.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) stack.push_back(PlaceSlice(i, count, halfVoxel));
  return stack;
}

double BoxHalfExtent(int32_t size) { return 90.0 - 100.0 / size; }
