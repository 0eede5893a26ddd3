#include "files/volume_fit.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "files/voxel_dispatch.h"

std::array<int32_t, 3> FitVolumeSize(const std::array<int64_t, 3>& sizes, int32_t maxSize,
                                     int32_t glMaxTextureSize) {
  const int64_t limit = std::max<int64_t>(1, std::min(maxSize, glMaxTextureSize));
  const int64_t longest = std::max({sizes[0], sizes[1], sizes[2]});
  std::array<int32_t, 3> fitted{};
  for (int a = 0; a < 3; ++a) {
    if (longest <= limit) {
      fitted[a] = static_cast<int32_t>(sizes[a]);
    } else {
      const double scaled = static_cast<double>(sizes[a]) * static_cast<double>(limit) /
                            static_cast<double>(longest);
      fitted[a] = static_cast<int32_t>(std::clamp<int64_t>(std::llround(scaled), 1, limit));
    }
  }
  return fitted;
}

VolumeBox WholeVolume(const Volume& volume) {
  const auto& sizes = volume.info().sizes;
  return {{0, 0, 0},
          {static_cast<double>(sizes[0]), static_cast<double>(sizes[1]),
           static_cast<double>(sizes[2])}};
}

namespace {

// Which source voxels make up each output voxel along one axis, and with
// what weight; voxels outside the volume are left out, and `inside` keeps
// the share of the output voxel that lies within it.
struct AxisWeights {
  std::vector<size_t> begin;  // entries [begin[o], begin[o + 1]) belong to output o
  std::vector<int64_t> index;
  std::vector<float> weight;
  std::vector<float> inside;
};

AxisWeights BuildAxisWeights(double origin, double extent, int32_t outSize, int64_t size) {
  AxisWeights axis;
  const double step = extent / outSize;
  axis.begin.push_back(0);
  for (int32_t o = 0; o < outSize; ++o) {
    const double from = origin + o * step;
    const double to = from + step;
    double inside = 0;
    const int64_t first = std::max<int64_t>(0, static_cast<int64_t>(std::floor(from)));
    const int64_t last = std::min<int64_t>(size, static_cast<int64_t>(std::ceil(to)));
    for (int64_t i = first; i < last; ++i) {
      const double overlap = (std::min(to, i + 1.0) - std::max(from, static_cast<double>(i))) / step;
      if (overlap <= 1e-9) continue;
      axis.index.push_back(i);
      axis.weight.push_back(static_cast<float>(overlap));
      inside += overlap;
    }
    axis.begin.push_back(axis.index.size());
    axis.inside.push_back(static_cast<float>(std::min(inside, 1.0)));
  }
  return axis;
}

template <class T>
void Resample(const T* voxels, const std::array<int64_t, 3>& sizes, const AxisWeights (&axes)[3],
              const IntensityWindow& window, const std::array<int32_t, 3>& outSizes, float* out) {
  const size_t outX = static_cast<size_t>(outSizes[0]);
  const size_t sliceSize = outX * static_cast<size_t>(outSizes[1]);
  std::vector<float> slice(sliceSize);
  const AxisWeights& ax = axes[0];
  const AxisWeights& ay = axes[1];
  const AxisWeights& az = axes[2];
  const double low = window.low;
  const double scale = 1.0 / (window.high - window.low);
  for (int32_t oz = 0; oz < outSizes[2]; ++oz) {
    std::fill(slice.begin(), slice.end(), 0.0f);
    for (size_t ez = az.begin[oz]; ez < az.begin[oz + 1]; ++ez) {
      const T* plane = voxels + az.index[ez] * sizes[0] * sizes[1];
      for (int32_t oy = 0; oy < outSizes[1]; ++oy) {
        float* target = slice.data() + oy * outX;
        for (size_t ey = ay.begin[oy]; ey < ay.begin[oy + 1]; ++ey) {
          const T* row = plane + ay.index[ey] * sizes[0];
          const float w = az.weight[ez] * ay.weight[ey];
          for (size_t ox = 0; ox < outX; ++ox) {
            float sum = 0;
            for (size_t ex = ax.begin[ox]; ex < ax.begin[ox + 1]; ++ex) {
              sum += ax.weight[ex] * static_cast<float>(row[ax.index[ex]]);
            }
            target[ox] += w * sum;
          }
        }
      }
    }
    for (int32_t oy = 0; oy < outSizes[1]; ++oy) {
      const float insideYZ = ay.inside[oy] * az.inside[oz];
      const float* source = slice.data() + oy * outX;
      for (size_t ox = 0; ox < outX; ++ox, ++out) {
        // Outside the volume counts as the window's low end.
        const double value = source[ox] + (1.0 - ax.inside[ox] * insideYZ) * low;
        const double unit = (value - low) * scale;
        *out = static_cast<float>(unit > 0 ? (unit < 1 ? unit : 1) : 0);
      }
    }
  }
}

}  // namespace

void ResampleVolume(const Volume& volume, const VolumeBox& box, const IntensityWindow& window,
                    const std::array<int32_t, 3>& outSizes, float* out) {
  const auto& sizes = volume.info().sizes;
  const AxisWeights axes[3] = {
      BuildAxisWeights(box.origin[0], box.extent[0], outSizes[0], sizes[0]),
      BuildAxisWeights(box.origin[1], box.extent[1], outSizes[1], sizes[1]),
      BuildAxisWeights(box.origin[2], box.extent[2], outSizes[2], sizes[2])};
  DispatchVoxelType(volume.storedType(), [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    Resample(reinterpret_cast<const T*>(volume.voxels()), sizes, axes, window, outSizes, out);
  });
}
