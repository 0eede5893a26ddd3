// Calls a generic function with a null pointer of the C++ type that holds
// one voxel of the given type, so typed loops are written once.
#pragma once

#include <cstdint>

#include "files/volume_file.h"

template <class Function>
decltype(auto) DispatchVoxelType(VoxelType type, Function&& function) {
  switch (type) {
    case VoxelType::UInt8: return function(static_cast<const uint8_t*>(nullptr));
    case VoxelType::Int8: return function(static_cast<const int8_t*>(nullptr));
    case VoxelType::UInt16: return function(static_cast<const uint16_t*>(nullptr));
    case VoxelType::Int16: return function(static_cast<const int16_t*>(nullptr));
    case VoxelType::UInt32: return function(static_cast<const uint32_t*>(nullptr));
    case VoxelType::Int32: return function(static_cast<const int32_t*>(nullptr));
    case VoxelType::Float32: return function(static_cast<const float*>(nullptr));
    case VoxelType::Float64: break;
  }
  return function(static_cast<const double*>(nullptr));
}
