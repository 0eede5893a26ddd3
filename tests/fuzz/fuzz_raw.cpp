// Smoothing and sub-volume sampling on arbitrary bytes and small sizes, for
// the address sanitizer; the sampled values themselves are checked against
// per-voxel reads by the unit tests.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/raw_volume.h"

namespace {
int32_t Small(uint8_t byte, int32_t limit) { return 1 + byte % limit; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 17) return 0;
  const uint8_t* p = data;
  const uint8_t* file = data + 17;
  const size_t fileBytes = size - 17;

  const int32_t sx = Small(p[0], 12), sy = Small(p[1], 12), sz = Small(p[2], 12);
  const int32_t channels = (p[3] & 1) ? 4 : 1;
  std::vector<uint8_t> bytes(RawElementCount(sx, sy, sz, channels), 0);
  std::memcpy(bytes.data(), file, fileBytes < bytes.size() ? fileBytes : bytes.size());
  std::vector<float> smoothed(bytes.size());
  SmoothRawVolume(bytes.data(), sx, sy, sz, channels, smoothed.data());
  for (float v : smoothed)
    if (!(v >= 0.0f && v <= 1.0f)) __builtin_trap();

  const RawFileBox box{Small(p[4], 16), Small(p[5], 16), Small(p[6], 16)};
  const int32_t tx = Small(p[7], 10), ty = Small(p[8], 10), tz = Small(p[9], 10);
  const SubVolumeWindow window{static_cast<int8_t>(p[10]), static_cast<int8_t>(p[11]),
                               static_cast<int8_t>(p[12]), SubVolumeStep(static_cast<int8_t>(p[13]), tx),
                               SubVolumeStep(static_cast<int8_t>(p[14]), ty),
                               SubVolumeStep(static_cast<int8_t>(p[15]), tz)};
  RawMemorySource source(file, fileBytes);
  std::vector<float> sampled(RawElementCount(tx, ty, tz, (p[16] & 1) ? 4 : 1));
  SampleSubVolume(source, box, window, tx, ty, tz, (p[16] & 1) ? 4 : 1, sampled.data());
  return 0;
}
