#include "render/slice_image.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "files/voxel_dispatch.h"

namespace {

// 8- and 16-bit voxels and float32 blend exactly enough in float; wider types
// blend in double so that large values lose precision only once, at the end.
template <class T>
using Blend = std::conditional_t<(sizeof(T) <= 2 || std::is_same_v<T, float>), float, double>;

inline float ToFloat(float value) { return value; }
// Held at float's largest magnitude: infinities would blend into NaNs.
inline float ToFloat(double value) { return static_cast<float>(std::clamp(value, -double(FLT_MAX), double(FLT_MAX))); }

// Where one plane's voxels lie in the volume, in voxels.
struct PlaneLayout {
  int64_t width = 0, height = 0;
  ptrdiff_t uStride = 0, vStride = 0;
};

// One row of the slice: n voxels `step` apart, each blended with the voxel
// `gap` beyond it (gap 0: copied). A step of 1 is a template constant so the
// contiguous rows vectorise. Sagittal rows stride by a whole x row, but in
// increasing address order, which the processor's own prefetching follows
// (asking for the voxels ahead in software measured no faster).
template <bool kContiguous, class T>
void ExtractRow(const T* src, ptrdiff_t step, ptrdiff_t gap, Blend<T> weight, int64_t n, float* dst) {
  using B = Blend<T>;
  if constexpr (kContiguous) step = 1;
  if (gap == 0) {
    for (int64_t i = 0; i < n; ++i) dst[i] = ToFloat(static_cast<B>(src[i * step]));
    return;
  }
  for (int64_t i = 0; i < n; ++i) {
    const B a = src[i * step], b = src[i * step + gap];
    dst[i] = ToFloat(a + (b - a) * weight);
  }
}

template <class T>
void ExtractPlane(const T* plane, const PlaneLayout& layout, ptrdiff_t gap, double weight, float* out) {
  const Blend<T> w = static_cast<Blend<T>>(weight);
  for (int64_t v = 0; v < layout.height; ++v) {
    const T* row = plane + v * layout.vStride;
    float* dst = out + v * layout.width;
    if (layout.uStride == 1) {
      ExtractRow<true>(row, 1, gap, w, layout.width, dst);
    } else {
      ExtractRow<false>(row, layout.uStride, gap, w, layout.width, dst);
    }
  }
}

// Where one picture axis samples a slice axis: pixels [begin, end) fall
// inside it; pixel i reads voxel index[i] and, when linear, index[i] + 1
// with weight[i] (0 for nearest, and at the clamped edges).
struct AxisTaps {
  int begin = 0, end = 0;
  std::vector<int64_t> index;
  std::vector<float> weight;
};

void PlaceTaps(double origin, double step, int pixels, int64_t voxels, Sampling sampling, AxisTaps& taps) {
  taps.index.assign(static_cast<size_t>(pixels), 0);
  taps.weight.assign(static_cast<size_t>(pixels), 0.0f);
  taps.begin = pixels;
  taps.end = 0;
  const double last = static_cast<double>(voxels - 1);
  for (int i = 0; i < pixels; ++i) {
    const double p = origin + (i + 0.5) * step;
    if (!(p >= -0.5 && p < voxels - 0.5)) continue;  // also NaN
    // Pixel positions are monotonic in i, so the inside pixels are one run.
    taps.begin = std::min(taps.begin, i);
    taps.end = i + 1;
    if (sampling == Sampling::Nearest) {
      // Just below n - 0.5, p + 0.5 can round up to n.
      taps.index[i] = std::min(static_cast<int64_t>(std::floor(p + 0.5)), voxels - 1);
    } else {
      const double clamped = std::clamp(p, 0.0, last);
      const double below = std::floor(clamped);
      taps.index[i] = static_cast<int64_t>(below);
      taps.weight[i] = static_cast<float>(clamped - below);
    }
  }
}

// Data values to grey levels, rounded half up.
struct GreyLevels {
  float low, scale;
  explicit GreyLevels(const IntensityWindow& window)
      : low(static_cast<float>(window.low)),
        scale(static_cast<float>(
            window.high > window.low ? std::min(255.0 / (window.high - window.low), double(FLT_MAX)) : FLT_MAX)) {}
  uint8_t operator()(float value) const {
    float level = (value - low) * scale;
    level = level > 0.0f ? level : 0.0f;  // NaN goes to 0 too
    level = level < 255.0f ? level : 255.0f;
    return static_cast<uint8_t>(level + 0.5f);
  }
};

struct RenderScratch {
  AxisTaps columns, rows;
  std::vector<float> blendedRow;  // one slice row plus a copy of its last used voxel
};

}  // namespace

std::array<int, 2> InPlaneAxes(SliceAxis axis) {
  switch (axis) {
    case SliceAxis::Sagittal: return {1, 2};
    case SliceAxis::Coronal: return {0, 2};
    case SliceAxis::Axial: break;
  }
  return {0, 1};
}

void ExtractSlice(const Volume& volume, SliceAxis axis, double position, Sampling sampling, SliceValues& out) {
  const std::array<int64_t, 3>& sizes = volume.info().sizes;
  const std::array<ptrdiff_t, 3> strides = {1, sizes[0], sizes[0] * sizes[1]};
  const int normal = static_cast<int>(axis);
  const std::array<int, 2> uv = InPlaneAxes(axis);
  out.axis = axis;
  const int64_t n = sizes[normal];
  if (n < 1 || sizes[uv[0]] < 1 || sizes[uv[1]] < 1) {
    out.width = out.height = 0;
    out.values.clear();
    return;
  }
  const PlaneLayout layout{sizes[uv[0]], sizes[uv[1]], strides[uv[0]], strides[uv[1]]};
  out.width = layout.width;
  out.height = layout.height;
  out.values.resize(static_cast<size_t>(layout.width * layout.height));

  const double last = static_cast<double>(n - 1);
  const double p = position > 0 ? std::min(position, last) : 0.0;  // NaN goes to 0 too
  int64_t below;
  double weight = 0;
  if (sampling == Sampling::Nearest) {
    below = std::min(static_cast<int64_t>(std::floor(p + 0.5)), n - 1);
  } else {
    below = static_cast<int64_t>(std::floor(p));
    weight = p - static_cast<double>(below);
  }
  // At a voxel plane, or on the last one, the plane beyond is not read.
  const ptrdiff_t gap = weight > 0 && below + 1 < n ? strides[normal] : 0;
  DispatchVoxelType(volume.storedType(), [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    const T* plane = reinterpret_cast<const T*>(volume.voxels()) + below * strides[normal];
    ExtractPlane(plane, layout, gap, weight, out.values.data());
  });
}

void RenderSlice(const SliceValues& slice, const PixelMapping& mapping, int width, int height, Sampling sampling,
                 const IntensityWindow& window, uint8_t background, uint8_t* grey) {
  if (width < 1 || height < 1) return;
  thread_local RenderScratch scratch;
  AxisTaps& columns = scratch.columns;
  AxisTaps& rows = scratch.rows;
  PlaceTaps(mapping.u0, mapping.du, width, slice.width, sampling, columns);
  PlaceTaps(mapping.v0, mapping.dv, height, slice.height, sampling, rows);
  const GreyLevels levels(window);
  const size_t rowBytes = static_cast<size_t>(width);
  if (columns.begin >= columns.end) {
    std::memset(grey, background, rowBytes * static_cast<size_t>(height));
    return;
  }

  // The slice columns that the inside pixels read: the blended row spans only these.
  const int64_t firstColumn = std::min(columns.index[columns.begin], columns.index[columns.end - 1]);
  const int64_t lastColumn =
      std::min(std::max(columns.index[columns.begin], columns.index[columns.end - 1]) + 1, slice.width - 1);
  scratch.blendedRow.resize(static_cast<size_t>(slice.width + 1));
  float* blended = scratch.blendedRow.data();

  for (int y = 0; y < height; ++y) {
    uint8_t* dst = grey + static_cast<size_t>(y) * rowBytes;
    if (y < rows.begin || y >= rows.end) {
      std::memset(dst, background, rowBytes);
      continue;
    }
    std::memset(dst, background, static_cast<size_t>(columns.begin));
    std::memset(dst + columns.end, background, static_cast<size_t>(width - columns.end));
    const float* row = slice.values.data() + rows.index[y] * slice.width;
    if (sampling == Sampling::Nearest) {
      for (int x = columns.begin; x < columns.end; ++x) dst[x] = levels(row[columns.index[x]]);
      continue;
    }
    // Down the slice first, over the used columns, then across per pixel.
    const float* next = rows.index[y] + 1 < slice.height ? row + slice.width : row;
    const float wy = rows.weight[y];
    for (int64_t c = firstColumn; c <= lastColumn; ++c) blended[c] = row[c] + (next[c] - row[c]) * wy;
    blended[lastColumn + 1] = blended[lastColumn];  // the clamped right edge reads it with weight 0
    for (int x = columns.begin; x < columns.end; ++x) {
      const float* pair = blended + columns.index[x];
      dst[x] = levels(pair[0] + (pair[1] - pair[0]) * columns.weight[x]);
    }
  }
}
