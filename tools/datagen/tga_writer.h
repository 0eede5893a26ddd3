// Writes uncompressed 32-bit TGA files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `rgba` holds width * height pixels as R, G, B, A, bottom row first, which is
// the format's default origin and the order glDrawPixels takes.
bool WriteTga32(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);
