#include "files/volume_space.h"

#include <algorithm>
#include <cmath>

#include "files/volume_regrid.h"

namespace {

// position = offset + sum over canonical axes c of column[c] * index[c].
struct Affine {
  std::array<Point3, 3> column{};
  Point3 offset{};
};

// For canonical axis c the file index along file axis fileAxis[c] is i, or
// n - 1 - i when flipped; the file's LPS position is origin + the sum over
// file axes of direction column * spacing * file index.
Affine CanonicalAffine(const VolumeInfo& info) {
  Affine affine;
  affine.offset = info.origin;
  if (!info.anatomical) {
    for (int c = 0; c < 3; ++c) affine.column[c][c] = info.spacing[c];
    return affine;
  }
  for (int c = 0; c < 3; ++c) {
    const int a = info.mapping.fileAxis[c];
    const bool flip = info.mapping.flip[c];
    const double last = static_cast<double>(info.sizes[c] - 1) * info.spacing[c];
    for (int p = 0; p < 3; ++p) {
      affine.column[c][p] = info.direction[p][a] * (flip ? -info.spacing[c] : info.spacing[c]);
      if (flip) affine.offset[p] += info.direction[p][a] * last;
    }
  }
  // LPS to RAS.
  for (int p = 0; p < 2; ++p) {
    for (Point3& column : affine.column) column[p] = -column[p];
    affine.offset[p] = -affine.offset[p];
  }
  return affine;
}

}  // namespace

Point3 CanonicalToRas(const VolumeInfo& info, const Point3& index) {
  const Affine affine = CanonicalAffine(info);
  Point3 ras = affine.offset;
  for (int c = 0; c < 3; ++c) {
    for (int p = 0; p < 3; ++p) ras[p] += affine.column[c][p] * index[c];
  }
  return ras;
}

Point3 RasToCanonical(const VolumeInfo& info, const Point3& ras) {
  // Rows of the inverse are the cross products of the other two columns over
  // the determinant, so any invertible frame is solved, not only orthonormal ones.
  const Affine affine = CanonicalAffine(info);
  const std::array<Point3, 3>& m = affine.column;
  const Point3 d{ras[0] - affine.offset[0], ras[1] - affine.offset[1], ras[2] - affine.offset[2]};
  const double determinant = Dot(m[0], Cross(m[1], m[2]));
  Point3 index{};
  for (int c = 0; c < 3; ++c) index[c] = Dot(Cross(m[(c + 1) % 3], m[(c + 2) % 3]), d) / determinant;
  return index;
}

namespace {

// A resampled volume's voxel and the file voxel nearest it, through the
// file's own grid: position = origin + sum of direction * spacing * index.
std::array<int64_t, 3> NearestFileVoxel(const VoxelGrid& grid, const Point3& ras) {
  std::array<Point3, 3> step{};
  for (int a = 0; a < 3; ++a) {
    for (int p = 0; p < 3; ++p) step[a][p] = grid.direction[p][a] * grid.spacing[a];
  }
  const Point3 d{-ras[0] - grid.origin[0], -ras[1] - grid.origin[1], ras[2] - grid.origin[2]};
  const double determinant = Dot(step[0], Cross(step[1], step[2]));
  std::array<int64_t, 3> index{};
  for (int a = 0; a < 3; ++a) {
    const double i = Dot(Cross(step[(a + 1) % 3], step[(a + 2) % 3]), d) / determinant;
    index[a] = std::clamp<int64_t>(std::llround(i), 0, grid.sizes[a] - 1);
  }
  return index;
}

}  // namespace

std::array<int64_t, 3> CanonicalToFileIndex(const VolumeInfo& info, const std::array<int64_t, 3>& canonical) {
  if (info.resampledFrom) {
    return NearestFileVoxel(*info.resampledFrom, CanonicalToRas(info, {double(canonical[0]), double(canonical[1]),
                                                                       double(canonical[2])}));
  }
  std::array<int64_t, 3> file{};
  for (int c = 0; c < 3; ++c) {
    file[info.mapping.fileAxis[c]] = info.mapping.flip[c] ? info.sizes[c] - 1 - canonical[c] : canonical[c];
  }
  return file;
}

std::array<int64_t, 3> FileToCanonicalIndex(const VolumeInfo& info, const std::array<int64_t, 3>& file) {
  std::array<int64_t, 3> canonical{};
  if (const std::optional<VoxelGrid>& grid = info.resampledFrom) {
    const Point3 lps = GridPosition(*grid, {double(file[0]), double(file[1]), double(file[2])});
    const Point3 index = RasToCanonical(info, {-lps[0], -lps[1], lps[2]});
    for (int c = 0; c < 3; ++c) canonical[c] = std::clamp<int64_t>(std::llround(index[c]), 0, info.sizes[c] - 1);
    return canonical;
  }
  for (int c = 0; c < 3; ++c) {
    const int64_t i = file[info.mapping.fileAxis[c]];
    canonical[c] = info.mapping.flip[c] ? info.sizes[c] - 1 - i : i;
  }
  return canonical;
}

RasBox RasExtent(const VolumeInfo& info) {
  // A resampled volume's corners are empty: the file's own voxels are what lies there.
  const VoxelGrid* file = info.resampledFrom ? &*info.resampledFrom : nullptr;
  auto corner = [&](int bits) {
    if (!file) {
      Point3 index{};
      for (int c = 0; c < 3; ++c) index[c] = (bits >> c & 1) ? static_cast<double>(info.sizes[c] - 1) : 0;
      return CanonicalToRas(info, index);
    }
    Point3 index{};
    for (int a = 0; a < 3; ++a) index[a] = (bits >> a & 1) ? static_cast<double>(file->sizes[a] - 1) : 0;
    const Point3 lps = GridPosition(*file, index);
    return Point3{-lps[0], -lps[1], lps[2]};
  };
  RasBox box{corner(0), {}};
  box.high = box.low;
  for (int bits = 1; bits < 8; ++bits) {
    const Point3 ras = corner(bits);
    for (int p = 0; p < 3; ++p) {
      box.low[p] = std::min(box.low[p], ras[p]);
      box.high[p] = std::max(box.high[p], ras[p]);
    }
  }
  return box;
}
