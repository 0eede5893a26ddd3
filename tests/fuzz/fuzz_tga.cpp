// Feeds arbitrary bytes to the TGA loader through an in-memory file and
// checks the record it fills.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "files/tga_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int file = memfd_create("fuzz_tga", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(file);

  // Large images only test the allocator and slow the search down.
  uint8_t header[18] = {};
  std::memcpy(header, data, size < sizeof header ? size : sizeof header);
  const size_t width = header[12] | (header[13] << 8);
  const size_t height = header[14] | (header[15] << 8);
  if (width * height > (size_t{1} << 16)) return 0;

  if (ftruncate(file, 0) != 0 || pwrite(file, data, size, 0) != static_cast<ssize_t>(size)) {
    return 0;
  }
  TgaImage image{};
  if (LoadTga(path.c_str(), image) != 0) {
    if (image.pixels != nullptr || image.width != 0) __builtin_trap();
    return 0;
  }
  if (static_cast<size_t>(image.width) != width || static_cast<size_t>(image.height) != height ||
      (image.bytesPerPixel != 3 && image.bytesPerPixel != 4)) {
    __builtin_trap();
  }
  // Touch every byte so a short buffer shows up under the address sanitizer.
  const size_t bytes = width * height * static_cast<size_t>(image.bytesPerPixel);
  volatile unsigned sum = 0;
  for (size_t i = 0; i < bytes; ++i) sum = sum + image.pixels[i];
  delete[] image.pixels;
  return 0;
}
