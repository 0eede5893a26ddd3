#include "render/volume_rescale.h"

#include <algorithm>
#include <cmath>

#include "render/split_work.h"
#include "render/voxel_count.h"

uint16_t ClampToUnorm16(float value) {
  if (!(value > 0.0f)) return 0;  // NaN too
  if (value > 1.0f) return 65535;
  return static_cast<uint16_t>(static_cast<int32_t>(value * 65535.0f));
}

void AxisTaps::Build(int32_t sizeIn, int32_t sizeOut) {
  begin.assign(1, 0);
  index.clear();
  weight.clear();
  maxTaps = 0;
  // The box of output j is centred on conv * (j + 0.5) input voxels; it is
  // conv wide when shrinking and one voxel wide when growing. Boxes that
  // stick out of the axis wrap round to its other end. The float and double
  // steps are the library's: they decide the last bits of the weights.
  const float conv = static_cast<float>(sizeIn) / static_cast<float>(sizeOut);
  const float halfConv = conv / 2;
  for (int32_t j = 0; j < sizeOut; ++j) {
    const float centre = static_cast<float>(conv * (j + 0.5));
    float low;
    float high;
    if (sizeIn > sizeOut) {
      high = centre + halfConv;
      low = centre - halfConv;
    } else {
      high = static_cast<float>(centre + 0.5);
      low = static_cast<float>(centre - 0.5);
    }
    float x = low;
    int32_t cell = static_cast<int32_t>(std::floor(x));
    while (x < high) {
      const float next = static_cast<float>(cell + 1);
      index.push_back(((cell % sizeIn) + sizeIn) % sizeIn);
      weight.push_back(high < next ? high - x : next - x);
      ++cell;
      x = static_cast<float>(cell);
    }
    begin.push_back(static_cast<int32_t>(index.size()));
    maxTaps = std::max(maxTaps, begin[j + 1] - begin[j]);
  }
}

struct VolumeRescaler::Job {
  const float* voxels;
  int32_t nx;
  int32_t ny;
  int32_t components;
  int32_t outX;
  int32_t outY;
  const AxisTaps* tapsY;
  const AxisTaps* tapsZ;
  int32_t tapsX;  // padded taps per texel along x
  const int32_t* rowIndex;
  const float* rowWeight;
  const float* texelWeight;
  float* out;
};

namespace {

// Four floats at a time, with the same IEEE single operations as the scalar
// code: the results are bit for bit those of one float at a time.
typedef float Float4 __attribute__((vector_size(16), aligned(4)));
typedef int32_t Int4 __attribute__((vector_size(16), aligned(4)));
typedef float Float2 __attribute__((vector_size(8), aligned(4)));
typedef double Double2 __attribute__((vector_size(16), aligned(8)));
typedef int32_t Int2 __attribute__((vector_size(8), aligned(4)));

// ClampToUnorm16 over a row, four voxels at a time.
void ReadAsUnorm16(const float* __restrict in, float* __restrict out, size_t count) {
  size_t n = 0;
  const Float4 one = {1.0f, 1.0f, 1.0f, 1.0f};
  for (; n + 4 <= count; n += 4) {
    const Float4 value = *reinterpret_cast<const Float4*>(in + n);
    // Lanes that are not above 0 (NaN included) become 0, lanes above 1 become 1.
    const Float4 positive = reinterpret_cast<Float4>(reinterpret_cast<Int4>(value) & (value > 0.0f));
    const Int4 above = positive > 1.0f;
    const Float4 clamped = reinterpret_cast<Float4>((reinterpret_cast<Int4>(one) & above) |
                                                    (reinterpret_cast<Int4>(positive) & ~above));
    const Int4 unorm = __builtin_convertvector(clamped * 65535.0f, Int4);
    *reinterpret_cast<Float4*>(out + n) = __builtin_convertvector(unorm, Float4);
  }
  for (; n < count; ++n) out[n] = ClampToUnorm16(in[n]);
}

// out[n] = trunc((sum[n] + 0.5) / volume[n]) / 65535 with the mean in
// double, as the library takes it; two texels at a time.
void StoreMeans(const float* __restrict sum, const double* __restrict volume,
                float* __restrict out, size_t count) {
  size_t n = 0;
  for (; n + 2 <= count; n += 2) {
    const Double2 total =
        __builtin_convertvector(*reinterpret_cast<const Float2*>(sum + n), Double2);
    const Double2 mean = (total + 0.5) / *reinterpret_cast<const Double2*>(volume + n);
    const Float2 value = __builtin_convertvector(__builtin_convertvector(mean, Int2), Float2);
    *reinterpret_cast<Float2*>(out + n) = value / 65535.0f;
  }
  for (; n < count; ++n) {
    const double mean = (static_cast<double>(sum[n]) + 0.5) / volume[n];
    out[n] = static_cast<float>(static_cast<uint16_t>(mean)) / 65535.0f;
  }
}

// sum[n] += value[n] * ((weight[n] * yWeight) * zWeight): the library's
// weight product and its accumulation, in its order.
void AccumulateTap(float* __restrict sum, const float* __restrict value,
                   const float* __restrict weight, float yWeight, float zWeight, size_t count) {
  size_t n = 0;
  for (; n + 4 <= count; n += 4) {
    const Float4 w = (*reinterpret_cast<const Float4*>(weight + n) * yWeight) * zWeight;
    *reinterpret_cast<Float4*>(sum + n) += *reinterpret_cast<const Float4*>(value + n) * w;
  }
  for (; n < count; ++n) sum[n] += value[n] * ((weight[n] * yWeight) * zWeight);
}

// volume[n] += (weight[n] * yWeight) * zWeight.
void AccumulateWeight(float* __restrict volume, const float* __restrict weight, float yWeight,
                      float zWeight, size_t count) {
  size_t n = 0;
  for (; n + 4 <= count; n += 4) {
    *reinterpret_cast<Float4*>(volume + n) +=
        (*reinterpret_cast<const Float4*>(weight + n) * yWeight) * zWeight;
  }
  for (; n < count; ++n) volume[n] += (weight[n] * yWeight) * zWeight;
}

}  // namespace

const float* VolumeRescaler::InputPlane(const Job& job, Worker& worker, int32_t z) {
  ++worker.uses;
  CachedPlane* victim = &worker.planes[0];
  for (CachedPlane& plane : worker.planes) {
    if (plane.z == z) {
      plane.lastUse = worker.uses;
      return plane.taps.data();
    }
    if (plane.lastUse < victim->lastUse) victim = &plane;
  }
  victim->z = z;
  victim->lastUse = worker.uses;
  const size_t inRow = static_cast<size_t>(job.nx) * job.components;
  const size_t spread = static_cast<size_t>(job.outX) * job.components * job.tapsX;
  const float* in = job.voxels + inRow * job.ny * static_cast<size_t>(z);
  float* row = worker.row.data();
  for (int32_t y = 0; y < job.ny; ++y) {
    ReadAsUnorm16(in, row, inRow);
    in += inRow;
    float* taps = victim->taps.data() + spread * y;
    for (size_t n = 0; n < spread; ++n) taps[n] = row[job.rowIndex[n]];
  }
  return victim->taps.data();
}

void VolumeRescaler::RescalePlanes(const Job& job, Worker& worker, int32_t zBegin,
                                   int32_t zEnd) {
  const AxisTaps& ty = *job.tapsY;
  const AxisTaps& tz = *job.tapsZ;
  const int32_t c = job.components;
  const size_t rowLength = static_cast<size_t>(job.outX) * c;
  const size_t spread = rowLength * job.tapsX;
  float* sum = worker.sum.data();
  float* volume = worker.volume.data();
  double* texelVolume = worker.componentVolume.data();
  const float** planes = worker.tapPlanes.data();
  for (int32_t d = zBegin; d < zEnd; ++d) {
    const int32_t zFirst = tz.begin[d];
    const int32_t zTaps = tz.begin[d + 1] - zFirst;
    for (int32_t t = 0; t < zTaps; ++t) planes[t] = InputPlane(job, worker, tz.index[zFirst + t]);
    float* outPlane = job.out + rowLength * job.outY * static_cast<size_t>(d);
    for (int32_t i = 0; i < job.outY; ++i) {
      std::fill(sum, sum + rowLength, 0.0f);
      std::fill(volume, volume + job.outX, 0.0f);
      for (int32_t t = 0; t < zTaps; ++t) {
        const float zWeight = tz.weight[zFirst + t];
        for (int32_t s = ty.begin[i]; s < ty.begin[i + 1]; ++s) {
          const float yWeight = ty.weight[s];
          const float* taps = planes[t] + spread * static_cast<size_t>(ty.index[s]);
          for (int32_t u = 0; u < job.tapsX; ++u) {
            AccumulateTap(sum, taps + rowLength * u, job.rowWeight + rowLength * u, yWeight,
                          zWeight, rowLength);
            AccumulateWeight(volume, job.texelWeight + static_cast<size_t>(job.outX) * u,
                             yWeight, zWeight, static_cast<size_t>(job.outX));
          }
        }
      }
      for (int32_t j = 0; j < job.outX; ++j) {
        for (int32_t k = 0; k < c; ++k) texelVolume[static_cast<size_t>(j) * c + k] = volume[j];
      }
      StoreMeans(sum, texelVolume, outPlane + rowLength * i, rowLength);
    }
  }
}

void VolumeRescaler::Rescale(const float* voxels, int32_t nx, int32_t ny, int32_t nz,
                             int32_t components, int32_t outX, int32_t outY, int32_t outZ,
                             float* out) {
  const size_t elements = VoxelElementCount(nx, ny, nz, components);
  if (elements == 0 || VoxelElementCount(outX, outY, outZ, components) == 0) return;
  tapsX_.Build(nx, outX);
  tapsY_.Build(ny, outY);
  tapsZ_.Build(nz, outZ);
  const int32_t c = components;
  const size_t rowLength = static_cast<size_t>(outX) * c;
  const size_t padded = rowLength * tapsX_.maxTaps;
  rowIndex_.resize(padded);
  rowWeight_.resize(padded);
  texelWeight_.resize(static_cast<size_t>(outX) * tapsX_.maxTaps);
  for (int32_t j = 0; j < outX; ++j) {
    const int32_t first = tapsX_.begin[j];
    const int32_t count = tapsX_.begin[j + 1] - first;
    for (int32_t u = 0; u < tapsX_.maxTaps; ++u) {
      // A padding tap reads the texel's last real voxel with weight 0.
      const int32_t tap = first + std::min(u, count - 1);
      const float weight = u < count ? tapsX_.weight[tap] : 0.0f;
      texelWeight_[static_cast<size_t>(outX) * u + j] = weight;
      for (int32_t k = 0; k < c; ++k) {
        const size_t n = rowLength * u + static_cast<size_t>(j) * c + k;
        rowIndex_[n] = tapsX_.index[tap] * c + k;
        rowWeight_[n] = weight;
      }
    }
  }
  for (Worker& worker : workers_) {
    worker.row.resize(static_cast<size_t>(nx) * c);
    worker.sum.resize(rowLength);
    worker.volume.resize(static_cast<size_t>(outX));
    worker.componentVolume.resize(rowLength);
    // Enough planes for every z tap of one output plane plus the next one's.
    worker.planes.resize(static_cast<size_t>(tapsZ_.maxTaps) + 1);
    worker.tapPlanes.resize(static_cast<size_t>(tapsZ_.maxTaps));
    for (CachedPlane& plane : worker.planes) {
      plane.z = -1;
      plane.lastUse = 0;
      plane.taps.resize(padded * ny);
    }
    worker.uses = 0;
  }
  const Job job{voxels,        nx,  ny,  c, outX, outY, &tapsY_, &tapsZ_, tapsX_.maxTaps,
                rowIndex_.data(), rowWeight_.data(), texelWeight_.data(), out};
  const bool large = elements > (size_t{1} << 16);
  Worker* workers = workers_;
  SplitWork(outZ, large, [&job, workers](int32_t begin, int32_t end) {
    RescalePlanes(job, workers[begin == 0 ? 0 : 1], begin, end);
  });
}
