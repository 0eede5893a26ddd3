// Writing an 8-bit RGB picture as a PNG file.
#pragma once

#include <cstdint>
#include <string>

// rows: height rows of width * 3 bytes, the top row first. Returns an empty
// string on success, otherwise the reason the file could not be written.
std::string WritePng(const std::string& path, int32_t width, int32_t height, const uint8_t* rows);
