// Smoothing and sub-volume sampling on arbitrary bytes and small sizes. The
// sampler is also checked against per-voxel reads of the same window.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/raw_volume.h"

namespace {

constexpr size_t kParameterBytes = 17;

int32_t Small(uint8_t byte, int32_t limit) { return 1 + byte % limit; }

uint8_t PerVoxelByte(const uint8_t* file, size_t fileBytes, const RawFileBox& box, int64_t fx,
                     int64_t fy, int64_t fz) {
  if (fx < 0 || fy < 0 || fz < 0 || fx >= box.sizeX || fy >= box.sizeY || fz >= box.sizeZ) {
    return 0;
  }
  const size_t position = static_cast<size_t>((fz * box.sizeY + fy) * box.sizeX + fx);
  return position < fileBytes ? file[position] : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kParameterBytes) return 0;
  const uint8_t* p = data;
  const uint8_t* file = data + kParameterBytes;
  const size_t fileBytes = size - kParameterBytes;

  // Smoothing of the file bytes as a whole volume (short files read as 0).
  const int32_t sx = Small(p[0], 12), sy = Small(p[1], 12), sz = Small(p[2], 12);
  const int32_t channels = (p[3] & 1) ? 4 : 1;
  const size_t count = RawElementCount(sx, sy, sz, channels);
  std::vector<uint8_t> bytes(count, 0);
  std::memcpy(bytes.data(), file, fileBytes < count ? fileBytes : count);
  std::vector<float> smoothed(count);
  SmoothRawVolume(bytes.data(), sx, sy, sz, channels, smoothed.data());
  for (float v : smoothed) {
    if (!(v >= 0.0f && v <= 1.0f)) __builtin_trap();
  }

  // A window anywhere around a small file box, onto a small grid.
  const RawFileBox box{Small(p[4], 16), Small(p[5], 16), Small(p[6], 16)};
  const int32_t tx = Small(p[7], 10), ty = Small(p[8], 10), tz = Small(p[9], 10);
  const SubVolumeWindow window{static_cast<int8_t>(p[10]), static_cast<int8_t>(p[11]),
                               static_cast<int8_t>(p[12]),
                               SubVolumeStep(static_cast<int8_t>(p[13]), tx),
                               SubVolumeStep(static_cast<int8_t>(p[14]), ty),
                               SubVolumeStep(static_cast<int8_t>(p[15]), tz)};
  const int32_t targetChannels = (p[16] & 1) ? 4 : 1;
  RawMemorySource source(file, fileBytes);
  std::vector<float> sampled(RawElementCount(tx, ty, tz, targetChannels));
  SampleSubVolume(source, box, window, tx, ty, tz, targetChannels, sampled.data());

  size_t i = 0;
  for (int32_t z = 0; z < tz; ++z) {
    for (int32_t y = 0; y < ty; ++y) {
      for (int32_t x = 0; x < tx; ++x) {
        const uint8_t byte = PerVoxelByte(
            file, fileBytes, box, SubVolumeFileCoordinate(x, window.stepX, window.originX),
            SubVolumeFileCoordinate(y, window.stepY, window.originY),
            SubVolumeFileCoordinate(z, window.stepZ, window.originZ));
        const float expected = static_cast<float>(byte * kByteToUnit);
        for (int32_t k = 0; k < targetChannels; ++k, ++i) {
          if (sampled[i] != expected) __builtin_trap();
        }
      }
    }
  }
  return 0;
}
