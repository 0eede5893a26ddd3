// --benchmark N: N frames turning once about the vertical axis at full
// detail, then N more at interactive detail; prints the median and 90th
// percentile frame time of each and their frames per second, and exits 0.
#pragma once

void RequestBenchmark(int frames);
bool BenchmarkRunning();

// Before a frame: turns the volume to this frame's pose. Returns whether
// the frame is to be drawn at interactive detail.
bool PrepareBenchmarkFrame();

// After the frame is drawn, before the buffers swap: waits for the GL,
// records the frame's time and, after the last frame, prints and exits.
void FinishBenchmarkFrame();
