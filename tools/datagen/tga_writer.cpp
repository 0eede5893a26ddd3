#include "tools/datagen/tga_writer.h"

#include <cstdio>

bool WriteTga32(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
      rgba.size() != static_cast<size_t>(width) * height * 4) {
    return false;
  }
  uint8_t header[18] = {};
  header[2] = 2;  // uncompressed true colour
  header[12] = width & 0xFF;
  header[13] = (width >> 8) & 0xFF;
  header[14] = height & 0xFF;
  header[15] = (height >> 8) & 0xFF;
  header[16] = 32;
  header[17] = 8;  // 8 alpha bits, origin at the bottom left

  std::vector<uint8_t> bgra(rgba.size());
  for (size_t i = 0; i < rgba.size(); i += 4) {
    bgra[i + 0] = rgba[i + 2];
    bgra[i + 1] = rgba[i + 1];
    bgra[i + 2] = rgba[i + 0];
    bgra[i + 3] = rgba[i + 3];
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
                       std::fwrite(bgra.data(), 1, bgra.size(), file) == bgra.size();
  return std::fclose(file) == 0 && written;
}
