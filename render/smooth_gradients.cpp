#include "render/smooth_gradients.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/split_work.h"
#include "render/voxel_count.h"

namespace {

// Volumes smaller than this are not worth a second thread.
constexpr size_t kThreadingThreshold = 32768;
constexpr float kFull = 65535.0f;

// The neighbours of coordinate k on an axis of n voxels, clamped to it, and
// the factor turning their difference into a derivative per voxel.
struct Neighbours {
  int32_t before, after;
  float derivative;
};

Neighbours NeighboursOf(int32_t k, int32_t n) {
  const int32_t before = std::max(k - 1, 0), after = std::min(k + 1, n - 1);
  return {before, after, after > before ? 1.0f / static_cast<float>(after - before) : 0.0f};
}

inline uint16_t Quantised(float unit) { return static_cast<uint16_t>(unit * kFull + 0.5f); }

// Per thread: the current plane smoothed along z and differentiated along
// z; the current row of those smoothed or differentiated along y; then the
// row's gradient.
struct Scratch {
  explicit Scratch(size_t plane, size_t row)
      : smoothZ(plane), slopeZ(plane), forX(row), forY(row), forZ(row), gx(row), gy(row),
        gz(row) {}
  std::vector<float> smoothZ, slopeZ, forX, forY, forZ, gx, gy, gz;
};

class Stencil {
public:
  Stencil(const float* volume, int32_t nx, int32_t ny, int32_t nz, const std::array<double, 3>& s,
          uint16_t* out)
      : volume_(volume), nx_(nx), ny_(ny), nz_(nz), out_(out),
        scale_{static_cast<float>(s[0]), static_cast<float>(s[1]), static_cast<float>(s[2])},
        toMagnitudeUnit_(1.0f / std::hypot(scale_[0], scale_[1], scale_[2])) {}

  // Writes planes [zBegin, zEnd); returns the largest A written.
  uint16_t Planes(int32_t zBegin, int32_t zEnd) const {
    const size_t plane = static_cast<size_t>(nx_) * ny_;
    Scratch s(plane, nx_);
    uint16_t largest = 0;
    for (int32_t z = zBegin; z < zEnd; ++z) {
      const Neighbours nz = NeighboursOf(z, nz_);
      const float* before = volume_ + plane * nz.before;
      const float* at = volume_ + plane * z;
      const float* after = volume_ + plane * nz.after;
      for (size_t i = 0; i < plane; ++i) {
        s.smoothZ[i] = 0.25f * (before[i] + 2.0f * at[i] + after[i]);
        s.slopeZ[i] = nz.derivative * (after[i] - before[i]);
      }
      uint16_t* outPlane = out_ + kSmoothGradientComponents * plane * z;
      for (int32_t y = 0; y < ny_; ++y) {
        uint16_t* outRow = outPlane + kSmoothGradientComponents * static_cast<size_t>(nx_) * y;
        Derivatives(s, y);
        largest = std::max(largest, Quantise(s, outRow));
      }
    }
    return largest;
  }

private:
  // The gradient of row y into s.gx, s.gy, s.gz.
  void Derivatives(Scratch& s, int32_t y) const {
    const Neighbours ny = NeighboursOf(y, ny_);
    const size_t row = nx_;
    const float* zBefore = &s.smoothZ[row * ny.before];
    const float* zAt = &s.smoothZ[row * y];
    const float* zAfter = &s.smoothZ[row * ny.after];
    const float* dBefore = &s.slopeZ[row * ny.before];
    const float* dAt = &s.slopeZ[row * y];
    const float* dAfter = &s.slopeZ[row * ny.after];
    float* forX = s.forX.data();
    float* forY = s.forY.data();
    float* forZ = s.forZ.data();
    for (size_t x = 0; x < row; ++x) {
      forX[x] = 0.25f * (zBefore[x] + 2.0f * zAt[x] + zAfter[x]);
      forY[x] = ny.derivative * (zAfter[x] - zBefore[x]);
      forZ[x] = 0.25f * (dBefore[x] + 2.0f * dAt[x] + dAfter[x]);
    }
    const auto at = [&](int32_t x, const Neighbours& n) {
      s.gx[x] = scale_[0] * n.derivative * (forX[n.after] - forX[n.before]);
      s.gy[x] = scale_[1] * 0.25f * (forY[n.before] + 2.0f * forY[x] + forY[n.after]);
      s.gz[x] = scale_[2] * 0.25f * (forZ[n.before] + 2.0f * forZ[x] + forZ[n.after]);
    };
    at(0, NeighboursOf(0, nx_));
    for (int32_t x = 1; x < nx_ - 1; ++x) at(x, {x - 1, x + 1, 0.5f});
    if (nx_ > 1) at(nx_ - 1, NeighboursOf(nx_ - 1, nx_));
  }

  uint16_t Quantise(const Scratch& s, uint16_t* out) const {
    uint16_t largest = 0;
    for (int32_t x = 0; x < nx_; ++x) {
      const float gx = s.gx[x], gy = s.gy[x], gz = s.gz[x];
      const float magnitude = std::sqrt(gx * gx + gy * gy + gz * gz);
      // Where flat, every component is 0 and lands on the middle anyway.
      const float toUnit = 0.5f / std::max(magnitude, 1e-30f);
      const uint16_t a = Quantised(std::min(magnitude * toMagnitudeUnit_, 1.0f));
      uint16_t* texel = out + kSmoothGradientComponents * x;
      texel[0] = Quantised(gx * toUnit + 0.5f);
      texel[1] = Quantised(gy * toUnit + 0.5f);
      texel[2] = Quantised(gz * toUnit + 0.5f);
      texel[3] = a;
      largest = std::max(largest, a);
    }
    return largest;
  }

  const float* volume_;
  int32_t nx_, ny_, nz_;
  uint16_t* out_;
  std::array<float, 3> scale_;
  float toMagnitudeUnit_;
};

}  // namespace

float ComputeSmoothGradients16(const float* volume, int32_t nx, int32_t ny, int32_t nz,
                               const std::array<double, 3>& axisScale, uint16_t* out) {
  const size_t voxels = VoxelElementCount(nx, ny, nz, 1);
  if (voxels == 0) return 0.0f;
  const Stencil stencil(volume, nx, ny, nz, axisScale, out);
  std::array<uint16_t, 2> largest{};
  SplitWork(nz, voxels >= kThreadingThreshold, [&](int32_t begin, int32_t end) {
    largest[begin == 0 ? 0 : 1] = stencil.Planes(begin, end);
  });
  return std::max(largest[0], largest[1]) / kFull;
}
