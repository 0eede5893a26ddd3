#include "files/luminance.h"

#include <cstring>

#include "files/voxel_dispatch.h"

void ColourToLuminance(const uint8_t* colour, VoxelType type, int components, uint64_t count, float* out) {
  DispatchVoxelType(type, [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    for (uint64_t i = 0; i < count; ++i) {
      T rgb[3];
      std::memcpy(rgb, colour + i * components * sizeof(T), sizeof rgb);
      out[i] = static_cast<float>(0.2126 * static_cast<double>(rgb[0]) + 0.7152 * static_cast<double>(rgb[1]) +
                                  0.0722 * static_cast<double>(rgb[2]));
    }
    return 0;
  });
}
