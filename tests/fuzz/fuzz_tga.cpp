// Feeds arbitrary bytes to the TGA loader through an in-memory file and
// checks the record it fills; the address sanitizer watches every byte.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/tga_image.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int file = memfd_create("fuzz_tga", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(file);
  if (ftruncate(file, 0) != 0 || pwrite(file, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  TgaImage image{};
  const bool loaded = LoadTga(path.c_str(), image) == 0;
  // Refused, the record is untouched; loaded, a header alone never buys more
  // pixels than the file could describe.
  const size_t bytes = static_cast<size_t>(image.width) * image.height * image.bytesPerPixel;
  const bool trueColour = image.bytesPerPixel == 3 || image.bytesPerPixel == 4;
  Check(loaded ? trueColour && bytes <= 128 * size : image.pixels == nullptr && image.width == 0);
  volatile unsigned sum = 0;
  for (size_t i = 0; i < bytes; ++i) sum = sum + image.pixels[i];
  delete[] image.pixels;
  return 0;
}
