// Smoothing and sub-volume sampling on arbitrary bytes and small sizes, for
// the address sanitizer; the sampled values themselves are checked against
// per-voxel reads by the unit tests.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/raw_volume.h"
#include "tests/fuzz/fuzz_check.h"

// 17 parameter bytes, then the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 17) return 0;
  const auto small = [data](int i, int32_t limit) { return 1 + data[i] % limit; };
  const auto offset = [data](int i) { return static_cast<int8_t>(data[i]); };

  const int32_t sx = small(0, 12), sy = small(1, 12), sz = small(2, 12);
  const int32_t channels = (data[3] & 1) ? 4 : 1;
  std::vector<uint8_t> bytes(RawElementCount(sx, sy, sz, channels), 0);
  std::memcpy(bytes.data(), data + 17, std::min(size - 17, bytes.size()));
  std::vector<float> smoothed(bytes.size());
  SmoothRawVolume(bytes.data(), sx, sy, sz, channels, smoothed.data());
  for (float v : smoothed) Check(v >= 0.0f && v <= 1.0f);

  const RawFileBox box{small(4, 16), small(5, 16), small(6, 16)};
  const int32_t tx = small(7, 10), ty = small(8, 10), tz = small(9, 10);
  const int32_t targetChannels = (data[16] & 1) ? 4 : 1;
  const SubVolumeWindow window{offset(10), offset(11), offset(12), SubVolumeStep(offset(13), tx),
                               SubVolumeStep(offset(14), ty), SubVolumeStep(offset(15), tz)};
  RawMemorySource source(data + 17, size - 17);
  std::vector<float> sampled(RawElementCount(tx, ty, tz, targetChannels));
  SampleSubVolume(source, box, window, tx, ty, tz, targetChannels, sampled.data());
  return 0;
}
