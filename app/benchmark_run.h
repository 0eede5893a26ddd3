// --benchmark N: N frames turning once about the vertical axis at full
// detail, then N more at interactive detail; prints the median and 90th
// percentile frame time of each and their frames per second, and exits 0.
// Every 10 s a line says how far it is and about how long is left.
#pragma once

#include <cstdint>

#include "app/view_state.h"

// `interactiveMs`: the target of an interactive frame, for the estimate.
void RequestBenchmark(int frames, double interactiveMs);
bool BenchmarkRunning();

// Before a frame: turns the camera to this frame's pose. Returns whether
// the frame is to be drawn at interactive detail.
bool PrepareBenchmarkFrame(CameraState& camera);

// After the frame is drawn, before the buffers swap: waits for the GL,
// records the frame's time and, after the last frame, prints the figures
// (for frames of `sliceCount` slices at full detail) and exits.
void FinishBenchmarkFrame(int32_t sliceCount);
