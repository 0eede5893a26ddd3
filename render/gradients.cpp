#include "render/gradients.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

#include "render/voxel_count.h"

namespace {

// Volumes smaller than this are not worth a second thread.
constexpr size_t kThreadingThreshold = 32768;

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kMaxBytes = std::numeric_limits<ptrdiff_t>::max();

// Unscaled, the multiply is left out: it costs the fluid a fifth of the
// pass, and a scale of exactly 1 gives the same result anyway.
template <bool kScaled>
inline float Difference(float ahead, float behind, double scale) {
  const double difference = static_cast<double>(ahead) - static_cast<double>(behind);
  return static_cast<float>(((kScaled ? scale * difference : difference) + 1.0) * 0.5);
}

template <bool kScaled>
void ComputePlanesOf(const float* volume, int32_t nx, int32_t ny, int32_t nz,
                   std::array<double, 3> scale, float* out, int32_t zBegin, int32_t zEnd) {
  const ptrdiff_t row = nx;
  const ptrdiff_t plane = row * ny;
  for (int32_t z = zBegin; z < zEnd; ++z) {
    float* outPlane = out + 3 * plane * z;
    if (z == 0 || z == nz - 1) {
      std::memset(outPlane, 0, sizeof(float) * 3 * static_cast<size_t>(plane));
      continue;
    }
    const ptrdiff_t zStep = plane * GradientStep(z, nz);
    for (int32_t y = 0; y < ny; ++y) {
      float* outRow = outPlane + 3 * row * y;
      if (y == 0 || y == ny - 1) {
        std::memset(outRow, 0, sizeof(float) * 3 * static_cast<size_t>(row));
        continue;
      }
      const ptrdiff_t yStep = row * GradientStep(y, ny);
      const float* in = volume + plane * z + row * y;
      outRow[0] = outRow[1] = outRow[2] = 0.0f;
      for (int32_t x = 1; x < nx - 1; ++x) {
        const int32_t xStep = GradientStep(x, nx);
        float* g = outRow + 3 * x;
        g[0] = Difference<kScaled>(in[x + xStep], in[x - xStep], scale[0]);
        g[1] = Difference<kScaled>(in[x + yStep], in[x - yStep], scale[1]);
        g[2] = Difference<kScaled>(in[x + zStep], in[x - zStep], scale[2]);
      }
      float* last = outRow + 3 * (row - 1);
      last[0] = last[1] = last[2] = 0.0f;
    }
  }
}

}  // namespace

void ComputeGradients(const float* volume, int32_t nx, int32_t ny, int32_t nz, float* out) {
  ComputeGradients(volume, nx, ny, nz, {1.0, 1.0, 1.0}, out);
}

void ComputeGradients(const float* volume, int32_t nx, int32_t ny, int32_t nz,
                      const std::array<double, 3>& axisScale, float* out) {
  const size_t voxels = VoxelElementCount(nx, ny, nz, 1);
  if (voxels == 0) return;
  const bool scaled = axisScale != std::array<double, 3>{1.0, 1.0, 1.0};
  const auto computePlanes = scaled ? ComputePlanesOf<true> : ComputePlanesOf<false>;
  // Each voxel depends only on the input, so splitting the z planes between
  // two threads gives exactly the sequential result.
  if (voxels < kThreadingThreshold || nz < 2) {
    computePlanes(volume, nx, ny, nz, axisScale, out, 0, nz);
    return;
  }
  const int32_t split = nz / 2;
  std::thread upper;
  try {
    upper = std::thread(computePlanes, volume, nx, ny, nz, axisScale, out, split, nz);
  } catch (const std::system_error&) {
    computePlanes(volume, nx, ny, nz, axisScale, out, split, nz);  // no thread to be had
  }
  computePlanes(volume, nx, ny, nz, axisScale, out, 0, split);
  if (upper.joinable()) upper.join();
}

std::array<double, 3> GradientAxisScale(const std::array<int32_t, 3>& sizes,
                                        const std::array<float, 3>& proportions) {
  std::array<double, 3> step{};
  for (int axis = 0; axis < 3; ++axis) {
    if (sizes[axis] <= 0 || !(proportions[axis] > 0.0f)) return {1.0, 1.0, 1.0};
    step[axis] = static_cast<double>(proportions[axis]) / sizes[axis];
  }
  const double finest = std::min({step[0], step[1], step[2]});
  return {finest / step[0], finest / step[1], finest / step[2]};
}

float* AllocateGradientBuffer(int32_t nx, int32_t ny, int32_t nz) {
  const size_t floats = VoxelElementCount(nx, ny, nz, 3);
  // Room is left for rounding up to whole huge pages.
  if (floats == 0 || floats > (kMaxBytes - kHugePage) / sizeof(float)) return nullptr;
  const size_t bytes = floats * sizeof(float);
  if (bytes < kHugePage) return static_cast<float*>(std::malloc(bytes));
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* buffer = std::aligned_alloc(kHugePage, rounded);
  // Only advice: without huge pages the buffer works the same, just slower.
  if (buffer != nullptr) madvise(buffer, rounded, MADV_HUGEPAGE);
  return static_cast<float*>(buffer);
}

void ReleaseGradientBuffer(float* buffer) { std::free(buffer); }
