#include "render/texture_upload.h"

#include "render/split_work.h"
#include "render/voxel_count.h"

int32_t MipTargetSize(int32_t n) {
  // Walk down the bits: the two leading bits decide, 10 rounds down and 11
  // rounds up.
  int32_t power = 1;
  uint32_t value = static_cast<uint32_t>(n);
  while (value > 1) {
    if (value == 3) return power * 4;
    value >>= 1;
    power *= 2;
  }
  return power;
}

namespace {

bool IsPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

// Voxels passed through as level 0 are averaged as GL stores them: clamped
// to [0, 1], NaN as 0. Rescaled levels are in range already.
template <bool kClamp>
inline float Texel(float v) {
  return kClamp ? (v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f) : v;
}

// The library averages a volume one texel deep as a flat image, in float and
// in this order, and a deeper one in double.
template <bool kClamp>
inline float FlatMean(const float* first, const size_t* offsets, int32_t count) {
  float sum = 0.0f;
  for (int32_t i = 0; i < count; ++i) sum += Texel<kClamp>(first[offsets[i]]);
  return sum / static_cast<float>(count);
}

template <bool kClamp>
inline float DeepMean(const float* first, const size_t* offsets, int32_t count) {
  double sum = 0.0;
  for (int32_t i = 0; i < count; ++i) sum += Texel<kClamp>(first[offsets[i]]);
  return static_cast<float>(sum / count);
}

// Halves every axis longer than 1 by averaging each pair of texels along it,
// for output planes [zBegin, zEnd).
template <bool kClamp>
void HalvePlanes(const float* in, int32_t nx, int32_t ny, int32_t nz, int32_t c, float* out,
                 int32_t zBegin, int32_t zEnd) {
  const int32_t ox = nx > 1 ? nx / 2 : 1;
  const int32_t oy = ny > 1 ? ny / 2 : 1;
  const size_t row = static_cast<size_t>(nx) * c;
  const size_t plane = row * ny;
  // Offsets of the texels averaged into one, relative to the first.
  size_t offsets[8] = {0};
  int32_t count = 1;
  if (nx > 1) {
    offsets[count] = static_cast<size_t>(c);
    count = 2;
  }
  if (ny > 1) {
    for (int32_t i = 0; i < count; ++i) offsets[count + i] = offsets[i] + row;
    count *= 2;
  }
  if (nz > 1) {
    for (int32_t i = 0; i < count; ++i) offsets[count + i] = offsets[i] + plane;
    count *= 2;
  }
  const bool flat = nz == 1;
  const size_t fromX = nx > 1 ? 2 * static_cast<size_t>(c) : static_cast<size_t>(c);
  const size_t fromY = ny > 1 ? 2 * row : row;
  const size_t fromZ = nz > 1 ? 2 * plane : plane;
  for (int32_t z = zBegin; z < zEnd; ++z) {
    for (int32_t y = 0; y < oy; ++y) {
      const float* src = in + fromZ * z + fromY * y;
      float* dst = out + (static_cast<size_t>(z) * oy + y) * ox * c;
      for (int32_t x = 0; x < ox; ++x) {
        const float* first = src + fromX * x;
        for (int32_t k = 0; k < c; ++k) {
          *dst++ = flat ? FlatMean<kClamp>(first + k, offsets, count)
                        : DeepMean<kClamp>(first + k, offsets, count);
        }
      }
    }
  }
}

}  // namespace

bool MipChain::Build(const float* voxels, int32_t nx, int32_t ny, int32_t nz,
                     int32_t components) {
  levels_.clear();
  passThrough_ = nullptr;
  for (const int32_t side : {nx, ny, nz}) {
    if (side > kLargestMipSource) return false;
  }
  // Level 0 is at most twice the volume per axis, and the levels below it
  // add less than a seventh more.
  if (VoxelElementCount(nx, ny, nz, components) == 0 ||
      VoxelElementCount(2 * nx, 2 * ny, 2 * nz, 2 * components) == 0) {
    return false;
  }
  const bool rescale = !IsPowerOfTwo(nx) || !IsPowerOfTwo(ny) || !IsPowerOfTwo(nz);
  int32_t x = rescale ? MipTargetSize(nx) : nx;
  int32_t y = rescale ? MipTargetSize(ny) : ny;
  int32_t z = rescale ? MipTargetSize(nz) : nz;

  // Lay the levels out back to back; a pass-through level 0 takes no room.
  size_t offset = 0;
  for (;;) {
    levels_.push_back({x, y, z, offset});
    if (rescale || levels_.size() > 1) {
      offset += static_cast<size_t>(x) * y * z * static_cast<size_t>(components);
    }
    if (x == 1 && y == 1 && z == 1) break;
    x = x > 1 ? x / 2 : 1;
    y = y > 1 ? y / 2 : 1;
    z = z > 1 ? z / 2 : 1;
  }
  if (texels_.size() < offset) texels_.resize(offset);

  passThrough_ = rescale ? nullptr : voxels;
  if (rescale) {
    const LevelSlot& top = levels_[0];
    rescaler_.Rescale(voxels, nx, ny, nz, components, top.sizeX, top.sizeY, top.sizeZ,
                      texels_.data() + top.offset);
  }
  for (size_t i = 1; i < levels_.size(); ++i) {
    const MipLevel from = Level(static_cast<int32_t>(i - 1));
    float* to = texels_.data() + levels_[i].offset;
    const int64_t work = static_cast<int64_t>(from.sizeX) * from.sizeY * from.sizeZ * components;
    const bool clamp = i == 1 && passThrough_ != nullptr;
    SplitWork(levels_[i].sizeZ, work > (int64_t{1} << 18),
              [&from, to, components, clamp](int32_t begin, int32_t end) {
                (clamp ? HalvePlanes<true> : HalvePlanes<false>)(
                    from.texels, from.sizeX, from.sizeY, from.sizeZ, components, to, begin, end);
              });
  }
  return true;
}

void MipChain::Release() {
  levels_.clear();
  passThrough_ = nullptr;
  std::vector<float>().swap(texels_);
  rescaler_ = VolumeRescaler();
}

MipLevel MipChain::Level(int32_t index) const {
  const LevelSlot& slot = levels_[static_cast<size_t>(index)];
  const float* texels = index == 0 && passThrough_ != nullptr ? passThrough_
                                                              : texels_.data() + slot.offset;
  return {slot.sizeX, slot.sizeY, slot.sizeZ, texels};
}
