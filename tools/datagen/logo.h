// The viewer's logo: the word mark "ZEMA" drawn with a stroke font, with
// anti-aliased edges and a soft glow carried in the alpha channel.
#pragma once

#include <cstdint>
#include <vector>

constexpr int kLogoWidth = 128;
constexpr int kLogoHeight = 64;

// kLogoWidth * kLogoHeight RGBA pixels, bottom row first.
std::vector<uint8_t> RenderLogo();
