#include "files/ct_values.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "files/voxel_dispatch.h"

namespace {

constexpr double kAirAtMost = -900;
constexpr double kInRangeShare = 2.0 / 3.0;
constexpr double kAirShare = 0.1;

}  // namespace

bool LooksLikeCt(const Volume& volume) {
  const size_t count = volume.voxelCount();
  if (count == 0) return false;
  uint64_t inRange = 0;
  uint64_t air = 0;
  DispatchVoxelType(volume.storedType(), [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    const T* values = reinterpret_cast<const T*>(volume.voxels());
    for (size_t i = 0; i < count; ++i) {
      const double v = static_cast<double>(values[i]);
      inRange += v >= kCtLowest && v <= kCtHighest;
      air += v <= kAirAtMost;
    }
  });
  const double total = static_cast<double>(count);
  return inRange >= kInRangeShare * total && air >= kAirShare * total;
}

IntensityWindow CtWindow(const Volume& volume) {
  const VolumeInfo& info = volume.info();
  const double low = std::clamp(info.minimum, kCtLowest, kCtHighest - 1);
  const double high = std::clamp(info.maximum, low + 1, kCtHighest);
  return {low, high};
}
