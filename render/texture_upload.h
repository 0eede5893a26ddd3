// The mipmapped 3D texture images that the GL utility library's mipmap
// builder makes from a float volume, rebuilt on the CPU. The library spends
// most of a fluid frame rescaling 172 voxels to 128 through temporary
// buffers; this builds the same texels with reused buffers on both cores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/volume_rescale.h"

// Side of the texture the library makes from n voxels: a power of two,
// rounded up only from 1.5 times the power below (170 -> 128, 96 -> 128,
// 95 -> 64, 3 -> 4). n must be at least 1 and at most kLargestMipSource.
constexpr int32_t kLargestMipSource = 1 << 29;
int32_t MipTargetSize(int32_t n);

struct MipLevel {
  int32_t sizeX;
  int32_t sizeY;
  int32_t sizeZ;
  const float* texels;  // sizeX * sizeY * sizeZ * components floats, x fastest
};

class MipChain {
public:
  // Rebuilds every level, down to 1x1x1, from nx*ny*nz voxels of
  // `components` floats each (1 to 4, x fastest). Returns false, leaving no
  // level, when a size is below 1 or above kLargestMipSource or the texels
  // could not be counted in memory's address range.
  // Level 0 is the volume itself when every size is a power of two (it then
  // points into `voxels`, valid while they are), else the volume rescaled
  // to MipTargetSize along each axis. The levels below are averaged from
  // values clamped to [0, 1], as GL stores level 0. Buffers are kept for
  // the next call, so a volume of the same size allocates nothing.
  bool Build(const float* voxels, int32_t nx, int32_t ny, int32_t nz, int32_t components);

  // Gives back every buffer, leaving no level; the next Build allocates
  // afresh.
  void Release();

  int32_t LevelCount() const { return static_cast<int32_t>(levels_.size()); }
  MipLevel Level(int32_t index) const;

private:
  struct LevelSlot {
    int32_t sizeX;
    int32_t sizeY;
    int32_t sizeZ;
    size_t offset;  // into texels_
  };
  std::vector<LevelSlot> levels_;
  std::vector<float> texels_;
  const float* passThrough_ = nullptr;  // level 0 when no rescale is needed
  VolumeRescaler rescaler_;
};
