#include "app/benchmark_run.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/app_state.h"
#include "app/interactive_detail.h"
#include "app/volume_camera.h"
#include "render/frame_times.h"
#include "render/vol_render.h"

namespace {

using Clock = std::chrono::steady_clock;

// The window shows its first frames only once it is exposed; they are not
// timed.
constexpr int kWarmUpFrames = 2;

// A long run says how far it is, so a silent hour is not mistaken for a hang.
constexpr std::chrono::seconds kProgressEvery{10};

int gFrames = 0;
double gTargetMs = 0;  // what an interactive frame is meant to take
int gDrawn = 0;
Clock::time_point gFrameStart;
Clock::time_point gLastProgress;
std::vector<double> gFullMs;
std::vector<double> gInteractiveMs;
// The slices' fragments per frame, where the GL counts them.
struct FragmentsPerFrame {
  std::vector<double> rasterized;
  std::vector<double> blended;
};
bool gCounting = false;
FragmentsPerFrame gFullFragments;
FragmentsPerFrame gInteractiveFragments;

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void PrintSummary(const char* what, const std::vector<double>& frameMs) {
  const FrameTimeSummary summary = SummariseFrameTimes(frameMs);
  std::printf("%s: median %.1f ms, 90th percentile %.1f ms, %.1f frames per second\n", what,
              summary.medianMs, summary.percentile90Ms, summary.framesPerSecond);
}

}  // namespace

void RequestBenchmark(int frames, double interactiveMs) {
  gFrames = frames;
  gTargetMs = interactiveMs;
  gCounting = gRenderer.CountFragments();
}

bool BenchmarkRunning() { return gFrames > 0; }

bool PrepareBenchmarkFrame(CameraState& camera) {
  const int frame = std::max(0, gDrawn - kWarmUpFrames);
  camera.rotation = TurntableRotation(camera.start, frame % gFrames, gFrames);
  gFrameStart = Clock::now();
  return frame >= gFrames;
}

void FinishBenchmarkFrame(int32_t sliceCount) {
  glFinish();
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - gFrameStart).count();
  // Read after the frame is timed: reading waits for the GL.
  const FragmentCounts fragments = gRenderer.TakeFragmentCounts();
  const int frame = gDrawn++ - kWarmUpFrames;
  if (frame < 0) return;
  (frame < gFrames ? gFullMs : gInteractiveMs).push_back(ms);
  FragmentsPerFrame& counts = frame < gFrames ? gFullFragments : gInteractiveFragments;
  counts.rasterized.push_back(static_cast<double>(fragments.rasterized));
  counts.blended.push_back(static_cast<double>(fragments.blended));
  const Clock::time_point now = Clock::now();
  if (frame == 0) gLastProgress = now;
  if (now - gLastProgress >= kProgressEvery) {
    gLastProgress = now;
    // The interactive frames cost far less than the full ones: until they
    // are timed, each is reckoned at its target.
    const auto mean = [](const std::vector<double>& ms) {
      double sum = 0;
      for (double m : ms) sum += m;
      return sum / static_cast<double>(ms.size());
    };
    const double leftMs = frame < gFrames ? mean(gFullMs) * (gFrames - frame - 1) + gTargetMs * gFrames
                                          : mean(gInteractiveMs) * (2 * gFrames - frame - 1);
    std::printf("Benchmark: %d of %d frames, about %.0f s left\n", frame + 1, 2 * gFrames, leftMs / 1000);
  }
  if (frame + 1 < 2 * gFrames) return;
  const Detail detail = LastDetail();
  std::printf("Benchmark: %d frames turning once, %dx%d window, %d slices\n", gFrames,
              gWindowWidth, gWindowHeight, sliceCount);
  PrintSummary("Full detail", gFullMs);
  PrintSummary("Interactive", gInteractiveMs);
  std::printf("Interactive detail: %d slices, viewport %.2f of the window\n", detail.slices,
              detail.viewportScale);
  if (gCounting) {
    const double pixels = static_cast<double>(gWindowWidth) * gWindowHeight;
    const double rasterized = Median(gFullFragments.rasterized), blended = Median(gFullFragments.blended);
    std::printf("Fragments per frame: %.2f million rasterized, %.2f million blended at full detail (%.1f and %.1f "
                "per window pixel); %.2f and %.2f million interactive\n",
                rasterized / 1e6, blended / 1e6, rasterized / pixels, blended / pixels,
                Median(gInteractiveFragments.rasterized) / 1e6, Median(gInteractiveFragments.blended) / 1e6);
  }
  const TextureBox shown = gRenderer.VisibleBox();
  const double drawn =
      shown.empty ? 0.0
                  : (shown.hi[0] - shown.lo[0]) * (shown.hi[1] - shown.lo[1]) * (shown.hi[2] - shown.lo[2]);
  std::printf("Empty space: %.0f%% of the bricks skipped, slices cut to %.0f%% of the volume's box\n",
              100.0 * gRenderer.SkippedBrickFraction(), 100.0 * drawn);
  std::exit(0);
}
