#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "files/volume_file.h"
#include "files/volume_build.h"
#include "files/voxel_dispatch.h"

namespace {

struct TypeName {
  VoxelType type;
  const char* name;
};
constexpr TypeName kTypeNames[] = {
    {VoxelType::UInt8, "uint8"},     {VoxelType::Int8, "int8"},
    {VoxelType::UInt16, "uint16"},   {VoxelType::Int16, "int16"},
    {VoxelType::UInt32, "uint32"},   {VoxelType::Int32, "int32"},
    {VoxelType::Float32, "float32"}, {VoxelType::Float64, "float64"},
};

}  // namespace

const char* VoxelTypeName(VoxelType type) {
  for (const TypeName& entry : kTypeNames) {
    if (entry.type == type) return entry.name;
  }
  return "?";
}

std::optional<VoxelType> ParseVoxelType(const std::string& name) {
  for (const TypeName& entry : kTypeNames) {
    if (name == entry.name) return entry.type;
  }
  return std::nullopt;
}

size_t VoxelTypeBytes(VoxelType type) {
  return DispatchVoxelType(type, [](auto* tag) { return sizeof(*tag); });
}

Volume::Volume(VolumeInfo info, VoxelType storedType, VoxelBuffer voxels)
    : info_(std::move(info)), storedType_(storedType), voxels_(std::move(voxels)) {}

size_t Volume::voxelCount() const {
  return static_cast<size_t>(info_.sizes[0] * info_.sizes[1] * info_.sizes[2]);
}

double Volume::ValueAt(int64_t x, int64_t y, int64_t z) const {
  const size_t index = static_cast<size_t>((z * info_.sizes[1] + y) * info_.sizes[0] + x);
  return DispatchVoxelType(storedType_, [&](auto* tag) {
    std::remove_const_t<std::remove_pointer_t<decltype(tag)>> value;
    std::memcpy(&value, voxels_.get() + index * sizeof(value), sizeof(value));
    return static_cast<double>(value);
  });
}

Volume FinishVolume(VolumeInfo info, VoxelType storedType, VoxelBuffer voxels) {
  const size_t count = static_cast<size_t>(info.sizes[0] * info.sizes[1] * info.sizes[2]);
  DispatchVoxelType(storedType, [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    T* values = reinterpret_cast<T*>(voxels.get());
    T low = std::numeric_limits<T>::max();
    T high = std::numeric_limits<T>::lowest();
    bool anyFinite = false;
    bool anyNonFinite = false;
    for (size_t i = 0; i < count; ++i) {
      const T v = values[i];
      if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(v)) {
          anyNonFinite = true;
          continue;
        }
      }
      anyFinite = true;
      low = v < low ? v : low;
      high = v > high ? v : high;
    }
    if (!anyFinite) low = high = T(0);
    // NaN and infinities would poison every average and the window; they
    // show as the lowest value, i.e. as background.
    if (anyNonFinite) {
      for (size_t i = 0; i < count; ++i) {
        if (!std::isfinite(static_cast<double>(values[i]))) values[i] = low;
      }
    }
    info.minimum = static_cast<double>(low);
    info.maximum = static_cast<double>(high);
  });
  return Volume(std::move(info), storedType, std::move(voxels));
}
