// A frame timer for any GL program, preloaded: times the intervals between
// buffer swaps and, after VOLVIEW_SWAP_FRAMES of them (default 20, the first
// 3 left out as the window settles), prints their median and 90th
// percentile on stderr and ends the process. It lets today's viewer and an
// older build be timed the same way in one run:
//   LD_PRELOAD=build/bench/volumes/libswap_timer.so ./volview VOLUME
#include <GL/glx.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSettlingFrames = 3;

std::vector<double>& Intervals() {
  static std::vector<double> intervals;
  return intervals;
}

}  // namespace

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
  using Swap = void (*)(Display*, GLXDrawable);
  static const Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
  static const char* wanted = std::getenv("VOLVIEW_SWAP_FRAMES");
  static const int frames = wanted ? std::max(1, std::atoi(wanted)) : 20;
  static int swaps = 0;
  static auto last = std::chrono::steady_clock::now();
  real(display, drawable);
  const auto now = std::chrono::steady_clock::now();
  if (++swaps > kSettlingFrames) {
    Intervals().push_back(std::chrono::duration<double, std::milli>(now - last).count());
  }
  last = now;
  if (static_cast<int>(Intervals().size()) < frames) return;
  std::vector<double> sorted = Intervals();
  std::sort(sorted.begin(), sorted.end());
  std::fprintf(stderr, "swap timer: %d frames, median %.1f ms, 90th percentile %.1f ms\n", frames,
               sorted[sorted.size() / 2], sorted[(9 * sorted.size() + 9) / 10 - 1]);
  _exit(0);
}
