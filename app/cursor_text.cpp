#include "app/cursor_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

bool StoredAsIntegers(VoxelType type) { return type != VoxelType::Float32 && type != VoxelType::Float64; }

}  // namespace

std::string CoordinateText(const VolumeInfo& info, int component, double mm) {
  static const char* const kPositive[3] = {"R", "A", "S"};
  static const char* const kNegative[3] = {"L", "P", "I"};
  static const char* const kPlain[3] = {"x", "y", "z"};
  // Rounded as printed, so -0.04 reads "R 0.0", not "L -0.0".
  const double shown = std::round(mm * 10.0) / 10.0;
  const char* letter = !info.anatomical ? kPlain[component] : shown < 0 ? kNegative[component] : kPositive[component];
  char text[48];
  std::snprintf(text, sizeof text, "%s %.1f", letter, shown == 0 ? 0.0 : shown);
  return text;
}

std::string PositionText(const VolumeInfo& info, const Point3& canonical) {
  const Point3 ras = CanonicalToRas(info, canonical);
  return CoordinateText(info, 0, ras[0]) + " " + CoordinateText(info, 1, ras[1]) + " " +
         CoordinateText(info, 2, ras[2]) + " mm";
}

std::array<int64_t, 3> VoxelOf(const VolumeInfo& info, const Point3& canonical) {
  std::array<int64_t, 3> voxel{};
  for (int a = 0; a < 3; ++a) {
    const double nearest = std::floor(canonical[a] + 0.5);
    voxel[a] = static_cast<int64_t>(std::clamp(nearest, 0.0, static_cast<double>(info.sizes[a] - 1)));
  }
  return voxel;
}

std::string VoxelText(const Volume& volume, const Point3& canonical) {
  const std::array<int64_t, 3> voxel = VoxelOf(volume.info(), canonical);
  const std::array<int64_t, 3> file = CanonicalToFileIndex(volume.info(), voxel);
  const double value = volume.ValueAt(voxel[0], voxel[1], voxel[2]);
  char text[128];
  if (StoredAsIntegers(volume.storedType())) {
    std::snprintf(text, sizeof text, "voxel %lld %lld %lld, value %lld", static_cast<long long>(file[0]),
                  static_cast<long long>(file[1]), static_cast<long long>(file[2]),
                  static_cast<long long>(std::llround(value)));
  } else {
    std::snprintf(text, sizeof text, "voxel %lld %lld %lld, value %g", static_cast<long long>(file[0]),
                  static_cast<long long>(file[1]), static_cast<long long>(file[2]), value);
  }
  return text;
}

std::string CursorLine(const Volume& volume, const Point3& canonical) {
  return "Cursor: " + PositionText(volume.info(), canonical) + ", " + VoxelText(volume, canonical);
}

std::string EdgeLetter(const VolumeInfo& info, int axis, bool growing) {
  static const char* const kGrowing[3] = {"L", "P", "S"};
  static const char* const kShrinking[3] = {"R", "A", "I"};
  static const char* const kPlain[3] = {"x", "y", "z"};
  if (!info.anatomical) return std::string(growing ? "+" : "-") + kPlain[axis];
  return growing ? kGrowing[axis] : kShrinking[axis];
}

bool ClampToVolume(const VolumeInfo& info, Point3& canonical) {
  bool outside = false;
  for (int a = 0; a < 3; ++a) {
    const double last = static_cast<double>(info.sizes[a] - 1);
    if (!(canonical[a] >= -0.5 && canonical[a] <= last + 0.5)) outside = true;
    canonical[a] = std::isnan(canonical[a]) ? last / 2 : std::clamp(canonical[a], 0.0, last);
  }
  return outside;
}
