#include "sources/julia.h"

#include <cstddef>
#include <system_error>
#include <thread>

#include "sources/quaternion.h"

namespace {

constexpr int kMaxIterations = 20;
const Quaternion kJuliaConstant(0.4, -0.4, -0.4, -0.2);

// Grids smaller than this are not worth a second thread.
constexpr int64_t kThreadingThreshold = 32768;

// Two voxels of a row iterate together in one vector register. Each lane does
// exactly the scalar arithmetic, summed left to right as written (so the
// cross terms of the Hamilton product do not cancel exactly); a lane that
// has escaped keeps computing (its numbers are not used) until every lane
// has escaped or the 20 iterations are done. sqrt is correctly rounded and
// sqrt(4) == 2, so comparing the squared norm with 4 decides escape exactly
// as comparing the norm with 2.
typedef double Lanes __attribute__((vector_size(2 * sizeof(double))));
typedef int64_t LaneMask __attribute__((vector_size(2 * sizeof(int64_t))));
constexpr int kLanes = 2;

void JuliaPair(double x0, double y0, double z0, double wa, double wb, float* out) {
  Lanes x = {x0, x0};
  Lanes y = {y0, y0};
  Lanes z = {z0, z0};
  Lanes w = {wa, wb};
  const Lanes cx = {kJuliaConstant.x, kJuliaConstant.x};
  const Lanes cy = {kJuliaConstant.y, kJuliaConstant.y};
  const Lanes cz = {kJuliaConstant.z, kJuliaConstant.z};
  const Lanes cw = {kJuliaConstant.w, kJuliaConstant.w};
  const Lanes four = {4.0, 4.0};
  LaneMask escapedEarly = {0, 0};
  for (int n = 1; n <= kMaxIterations; ++n) {
    const Lanes nx = y * z + w * x + x * w - z * y + cx;
    const Lanes ny = w * y + z * x + y * w - x * z + cy;
    const Lanes nz = w * z + x * y + z * w - y * x + cz;
    const Lanes nw = w * w - x * x - y * y - z * z + cw;
    x = nx;
    y = ny;
    z = nz;
    w = nw;
    if (n == kMaxIterations) break;
    const LaneMask escaped = (x * x + y * y + z * z + w * w) >= four;
    escapedEarly |= escaped;
    if (escapedEarly[0] && escapedEarly[1]) break;
  }
  for (int lane = 0; lane < kLanes; ++lane) {
    out[lane] = escapedEarly[lane]
                    ? 0.0f
                    : static_cast<float>(Quaternion(x[lane], y[lane], z[lane], w[lane]).Norm());
  }
}

void BuildPlanes(float* out, int32_t nx, int32_t ny, int32_t kBegin, int32_t kEnd, double sx,
                 double sy, double sz, double zc) {
  const size_t plane = static_cast<size_t>(nx) * static_cast<size_t>(ny);
  for (int32_t k = kBegin; k < kEnd; ++k) {
    const double y = k * sz - 1;
    float* planeOut = out + plane * static_cast<size_t>(k);
    for (int32_t j = 0; j < ny; ++j) {
      const double x = j * sy - 1;
      float* row = planeOut + static_cast<size_t>(nx) * static_cast<size_t>(j);
      int32_t i = 0;
      for (; i + kLanes <= nx; i += kLanes) {
        JuliaPair(x, y, zc, i * sx - 1, (i + 1) * sx - 1, row + i);
      }
      if (i < nx) {  // an odd last voxel rides in both lanes
        float last[kLanes];
        JuliaPair(x, y, zc, i * sx - 1, i * sx - 1, last);
        row[i] = last[0];
      }
    }
  }
}

}  // namespace

void BuildJuliaVolume(float* out, int32_t nx, int32_t ny, int32_t nz, double zc) {
  if (nx <= 0 || ny <= 0 || nz <= 0) return;
  const double sx = 2.0 / nx;
  const double sy = 2.0 / ny;
  const double sz = 2.0 / nz;
  // Every voxel is independent, so the z planes are shared between two
  // threads; the values are those of a single sequential pass.
  const int64_t voxels = static_cast<int64_t>(nx) * ny * nz;
  if (voxels < kThreadingThreshold || nz < 2) {
    BuildPlanes(out, nx, ny, 0, nz, sx, sy, sz, zc);
    return;
  }
  const int32_t split = nz / 2;
  std::thread upper;
  try {
    upper = std::thread(BuildPlanes, out, nx, ny, split, nz, sx, sy, sz, zc);
  } catch (const std::system_error&) {
    BuildPlanes(out, nx, ny, split, nz, sx, sy, sz, zc);  // no thread to be had
  }
  BuildPlanes(out, nx, ny, 0, split, sx, sy, sz, zc);
  if (upper.joinable()) upper.join();
}
