// A TGA image in R, G, B(, A) byte order, rows in file order.
#pragma once

#include <cstdint>

struct TgaImage {
  int32_t bytesPerPixel = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint8_t* pixels = nullptr;
};

// Returns 0 and fills `image` on success; returns 1 and leaves it unchanged on failure.
int32_t LoadTga(const char* fileName, TgaImage& image);
