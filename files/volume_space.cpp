#include "files/volume_space.h"

#include <algorithm>
#include <cmath>

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

Point3 Cross(const Point3& a, const Point3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Dot(const Point3& a, const Point3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Column c: the LPS direction of canonical axis c.
std::array<double, 9> TrueTurn(const VolumeInfo& info) {
  std::array<double, 9> turn{1, 0, 0, 0, 1, 0, 0, 0, 1};
  if (!info.anatomical) return turn;
  for (int c = 0; c < 3; ++c) {
    const double sign = info.mapping.flip[c] ? -1.0 : 1.0;
    for (int p = 0; p < 3; ++p) turn[3 * p + c] = sign * info.direction[p][info.mapping.fileAxis[c]];
  }
  return turn;
}

}  // namespace

double ObliqueDegrees(const VolumeInfo& info) {
  const std::array<double, 9> turn = TrueTurn(info);
  const double cosine = std::clamp((turn[0] + turn[4] + turn[8] - 1) / 2, -1.0, 1.0);
  return std::acos(cosine) * 180.0 / M_PI;
}

std::array<double, 9> CanonicalTurn(const VolumeInfo& info) {
  if (ObliqueDegrees(info) <= kLeastObliqueDegrees) return {1, 0, 0, 0, 1, 0, 0, 0, 1};
  return TrueTurn(info);
}

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

std::array<int64_t, 3> CanonicalToFileIndex(const VolumeInfo& info, const std::array<int64_t, 3>& canonical) {
  std::array<int64_t, 3> file{};
  for (int c = 0; c < 3; ++c) {
    file[info.mapping.fileAxis[c]] = info.mapping.flip[c] ? info.sizes[c] - 1 - canonical[c] : canonical[c];
  }
  return file;
}

std::array<int64_t, 3> FileToCanonicalIndex(const VolumeInfo& info, const std::array<int64_t, 3>& file) {
  std::array<int64_t, 3> canonical{};
  for (int c = 0; c < 3; ++c) {
    const int64_t i = file[info.mapping.fileAxis[c]];
    canonical[c] = info.mapping.flip[c] ? info.sizes[c] - 1 - i : i;
  }
  return canonical;
}

RasBox RasExtent(const VolumeInfo& info) {
  RasBox box{CanonicalToRas(info, {0, 0, 0}), {}};
  box.high = box.low;
  for (int corner = 1; corner < 8; ++corner) {
    Point3 index{};
    for (int c = 0; c < 3; ++c) index[c] = (corner >> c & 1) ? static_cast<double>(info.sizes[c] - 1) : 0;
    const Point3 ras = CanonicalToRas(info, index);
    for (int p = 0; p < 3; ++p) {
      box.low[p] = std::min(box.low[p], ras[p]);
      box.high[p] = std::max(box.high[p], ras[p]);
    }
  }
  return box;
}
