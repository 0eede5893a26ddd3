// Frames per second from two consecutive frame times in milliseconds.
#pragma once

#include <cstdint>

// Two frames in the same millisecond have no measurable rate: the previous
// rate is kept rather than dividing by zero.
double FrameRate(int32_t now, int32_t lastFrameTime, double previousRate);
