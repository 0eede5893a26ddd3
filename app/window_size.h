// Whether the window asked for can be had: checked before it opens against
// the memory its software frame buffers take, and once it is open against
// what the GL draws, so a picture is never silently black or cut.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Why a window of `size` would not fit in `available` bytes (front, back
// and depth buffers, the picture read back and its encoding: about 21 bytes
// a pixel), or an empty text.
std::string WindowMemoryProblem(std::array<int, 2> size);
std::string WindowMemoryProblem(std::array<int, 2> size, uint64_t available);

// With the window open: why the GL cannot draw all of `size` (beyond its
// largest viewport, or the window came out smaller), or an empty text.
std::string WindowDrawableProblem(std::array<int, 2> size);
