// Headerless volumes of any layout and content, then the window and the
// resampler on them: nothing may crash, and the results must stay in range.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/volume_fit.h"
#include "files/volume_raw.h"
#include "files/volume_window.h"
#include "tests/fuzz/fuzz_check.h"

// 12 parameter bytes, then the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p, size_t size) {
  if (size < 12) return 0;
  // Sizes of 0 must be refused.
  const RawLayout layout{{p[0] % 17, p[1] % 17, p[2] % 17}, static_cast<VoxelType>(p[3] % 8),
                         (p[4] & 1) != 0, p[5] % 16u};
  // Mostly files of the right size, so the voxels get read; sometimes not.
  std::vector<uint8_t> file(p + 12, p + size);
  const size_t voxels = static_cast<size_t>(layout.sizes[0]) * layout.sizes[1] * layout.sizes[2];
  if (p[4] & 2) file.resize(layout.headerBytes + voxels * VoxelTypeBytes(layout.type), p[6]);
  try {
    const Volume volume = DecodeRawVolume("fuzz.raw", layout, file.data(), file.size());
    const VolumeInfo& info = volume.info();
    Check(info.minimum <= info.maximum);
    for (int64_t x = 0; x < info.sizes[0]; ++x) {
      const double v = volume.ValueAt(x, info.sizes[1] - 1, info.sizes[2] - 1);
      Check(v >= info.minimum && v <= info.maximum);
    }
    const IntensityWindow window = RobustWindow(volume);
    Check(window.low < window.high);

    const std::array<int32_t, 3> fitted = FitVolumeSize(info.sizes, 1 + p[7] % 8, 1 + p[8] % 8);
    VolumeBox box = WholeVolume(volume);
    for (int a = 0; a < 3; ++a) {
      box.origin[a] += static_cast<int8_t>(p[9 + a]) / 16.0;
      box.extent[a] = std::max(0.25, box.extent[a] - p[9 + a] / 64.0);
    }
    std::vector<float> out(static_cast<size_t>(fitted[0]) * fitted[1] * fitted[2]);
    ResampleVolume(volume, box, window, fitted, out.data());
    for (float v : out) Check(v >= 0.0f && v <= 1.0f);
  } catch (const VolumeFileError&) {
  }
  return 0;
}
