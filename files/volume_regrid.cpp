#include "files/volume_regrid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "files/voxel_dispatch.h"

namespace {

using Vec = Point3;
using Mat = std::array<Vec, 3>;  // m[row][column]

Vec Column(const DirectionMatrix& m, int c) { return {m[0][c], m[1][c], m[2][c]}; }

double Determinant(const Mat& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

Mat Inverse(const Mat& m) {
  const double det = Determinant(m);
  Mat out{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      out[j][i] = (m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1]) / det;
    }
  }
  return out;
}

Vec Times(const Mat& m, const Vec& v) {
  return {Dot(m[0], v), Dot(m[1], v), Dot(m[2], v)};
}

// Index to LPS mm without the origin: column k is axis k's step.
Mat Steps(const VoxelGrid& grid) {
  Mat steps{};
  for (int p = 0; p < 3; ++p) {
    for (int k = 0; k < 3; ++k) steps[p][k] = grid.direction[p][k] * grid.spacing[k];
  }
  return steps;
}

template <class T>
void Resample(const VoxelGrid& from, const VoxelGrid& to, const T* source, double fill, T* target) {
  // Source index of target voxel j: base + j0 step[0] + j1 step[1] + j2 step[2].
  const Mat toSource = Inverse(Steps(from));
  const Mat steps = Steps(to);
  Vec base{}, step[3];
  for (int p = 0; p < 3; ++p) base[p] = to.origin[p] - from.origin[p];
  base = Times(toSource, base);
  for (int k = 0; k < 3; ++k) step[k] = Times(toSource, {steps[0][k], steps[1][k], steps[2][k]});

  const int64_t n[3] = {from.sizes[0], from.sizes[1], from.sizes[2]};
  const int64_t stride[3] = {1, n[0], n[0] * n[1]};
  // A grid one voxel thick has no second neighbour along that axis.
  const int64_t next[3] = {n[0] > 1 ? stride[0] : 0, n[1] > 1 ? stride[1] : 0, n[2] > 1 ? stride[2] : 0};
  constexpr double kEdge = 1e-6;  // the outermost centres, despite rounding
  const T outside = static_cast<T>(fill);
  T* out = target;
  for (int64_t z = 0; z < to.sizes[2]; ++z) {
    for (int64_t y = 0; y < to.sizes[1]; ++y) {
      Vec at;
      for (int p = 0; p < 3; ++p) at[p] = base[p] + y * step[1][p] + z * step[2][p];
      for (int64_t x = 0; x < to.sizes[0]; ++x, ++out) {
        const double i[3] = {at[0] + x * step[0][0], at[1] + x * step[0][1], at[2] + x * step[0][2]};
        int64_t cell[3];
        double w[3];
        bool inside = true;
        for (int a = 0; a < 3; ++a) {
          const double last = static_cast<double>(n[a] - 1);
          inside = inside && i[a] >= -kEdge && i[a] <= last + kEdge;
          const double clamped = std::clamp(i[a], 0.0, last);
          cell[a] = std::min(static_cast<int64_t>(clamped), std::max<int64_t>(n[a] - 2, 0));
          w[a] = n[a] > 1 ? clamped - static_cast<double>(cell[a]) : 0.0;
        }
        if (!inside) {
          *out = outside;
          continue;
        }
        const T* c = source + cell[0] + cell[1] * stride[1] + cell[2] * stride[2];
        const double c00 = c[0] + w[0] * (double(c[next[0]]) - c[0]);
        const double c10 = c[next[1]] + w[0] * (double(c[next[1] + next[0]]) - c[next[1]]);
        const T* d = c + next[2];
        const double c01 = d[0] + w[0] * (double(d[next[0]]) - d[0]);
        const double c11 = d[next[1]] + w[0] * (double(d[next[1] + next[0]]) - d[next[1]]);
        const double value = (c00 + w[1] * (c10 - c00)) * (1 - w[2]) + (c01 + w[1] * (c11 - c01)) * w[2];
        if constexpr (std::is_integral_v<T>) {
          *out = static_cast<T>(std::clamp(std::nearbyint(value), double(std::numeric_limits<T>::lowest()),
                                           double(std::numeric_limits<T>::max())));
        } else {
          *out = static_cast<T>(value);
        }
      }
    }
  }
}

}  // namespace

Point3 GridPosition(const VoxelGrid& grid, const Point3& index) {
  Point3 lps = grid.origin;
  for (int a = 0; a < 3; ++a) {
    for (int p = 0; p < 3; ++p) lps[p] += grid.direction[p][a] * grid.spacing[a] * index[a];
  }
  return lps;
}

std::optional<PatientGridPlan> PlanPatientGrid(const VoxelGrid& grid) {
  Vec unit[3];
  for (int k = 0; k < 3; ++k) {
    unit[k] = Column(grid.direction, k);
    const double length = std::sqrt(Dot(unit[k], unit[k]));
    if (!(length > 0) || !std::isfinite(length) || !(grid.spacing[k] > 0) || !std::isfinite(grid.spacing[k])) {
      return std::nullopt;
    }
    for (double& v : unit[k]) v /= length;
  }
  if (!(std::fabs(Dot(unit[0], Cross(unit[1], unit[2]))) >= kLeastAxisVolume)) return std::nullopt;
  // The slice plane's frame: its nearest-perpendicular pair made
  // perpendicular within their plane, and their normal.
  const int pairs[3][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}};
  int best = 0;
  for (int p = 1; p < 3; ++p) {
    if (std::fabs(Dot(unit[pairs[p][0]], unit[pairs[p][1]])) <
        std::fabs(Dot(unit[pairs[best][0]], unit[pairs[best][1]]))) {
      best = p;
    }
  }
  const int a = pairs[best][0], b = pairs[best][1], c = pairs[best][2];
  const double skew = Dot(unit[a], unit[b]);
  Vec q[3];
  q[a] = unit[a];
  for (int p = 0; p < 3; ++p) q[b][p] = unit[b][p] - skew * q[a][p];
  const double length = std::sqrt(Dot(q[b], q[b]));
  for (double& v : q[b]) v /= length;
  q[c] = Cross(q[a], q[b]);
  if (Dot(q[c], unit[c]) < 0) {
    for (double& v : q[c]) v = -v;
  }

  PatientGridPlan plan;
  constexpr double kDegrees = 180.0 / 3.14159265358979323846;
  plan.shearDegrees = std::max(std::asin(std::min(1.0, std::fabs(skew))),
                               std::acos(std::min(1.0, Dot(q[c], unit[c])))) * kDegrees;
  // Each axis goes along the patient's axis nearest it, in the same sense.
  DirectionMatrix frame{};
  for (int k = 0; k < 3; ++k) {
    for (int p = 0; p < 3; ++p) frame[p][k] = q[k][p];
  }
  const AxisMapping nearest = MapToCanonical(frame);
  Vec axis[3]{};
  for (int patient = 0; patient < 3; ++patient) {
    axis[nearest.fileAxis[patient]][patient] = nearest.flip[patient] ? -1.0 : 1.0;
  }
  double trace = 0;
  for (int k = 0; k < 3; ++k) trace += Dot(axis[k], q[k]);
  plan.turnDegrees = std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0)) * kDegrees;

  VoxelGrid& patientGrid = plan.grid;
  // Each axis keeps the step it makes along the patient's axis: the slices
  // of a slanted stack keep the distance of their planes.
  for (int k = 0; k < 3; ++k) {
    patientGrid.spacing[k] = grid.spacing[k] * std::fabs(Dot(unit[k], axis[k]));
    for (int p = 0; p < 3; ++p) patientGrid.direction[p][k] = axis[k][p];
  }
  Vec low{}, high{};
  for (int corner = 1; corner < 8; ++corner) {
    Vec offset{};
    for (int k = 0; k < 3; ++k) {
      const double index = (corner >> k & 1) ? static_cast<double>(grid.sizes[k] - 1) : 0.0;
      for (int p = 0; p < 3; ++p) offset[p] += unit[k][p] * grid.spacing[k] * index;
    }
    for (int k = 0; k < 3; ++k) {
      low[k] = std::min(low[k], Dot(offset, axis[k]));
      high[k] = std::max(high[k], Dot(offset, axis[k]));
    }
  }
  patientGrid.origin = grid.origin;
  for (int k = 0; k < 3; ++k) {
    // Rounded up, so the far corners stay inside.
    patientGrid.sizes[k] = static_cast<int64_t>(std::ceil((high[k] - low[k]) / patientGrid.spacing[k] - 1e-6)) + 1;
    for (int p = 0; p < 3; ++p) patientGrid.origin[p] += low[k] * axis[k][p];
  }
  return plan;
}

VoxelBuffer ResampleGrid(const VoxelGrid& from, const VoxelGrid& to, VoxelType type, const uint8_t* voxels,
                         double fill) {
  const uint64_t count = static_cast<uint64_t>(to.sizes[0]) * to.sizes[1] * to.sizes[2];
  VoxelBuffer target(new uint8_t[count * VoxelTypeBytes(type)]);
  DispatchVoxelType(type, [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    Resample(from, to, reinterpret_cast<const T*>(voxels), fill, reinterpret_cast<T*>(target.get()));
  });
  return target;
}

ValueSpan FiniteRange(VoxelType type, const uint8_t* voxels, uint64_t count) {
  return DispatchVoxelType(type, [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    const T* values = reinterpret_cast<const T*>(voxels);
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (uint64_t i = 0; i < count; ++i) {
      const double value = static_cast<double>(values[i]);
      if (!std::isfinite(value)) continue;
      low = std::min(low, value);
      high = std::max(high, value);
    }
    return low <= high ? ValueSpan{low, high} : ValueSpan{};
  });
}
