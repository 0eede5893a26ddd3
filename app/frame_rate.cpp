#include "app/frame_rate.h"

double FrameRate(int32_t now, int32_t lastFrameTime, double previousRate) {
  if (now == lastFrameTime) return previousRate;
  return 1000.0 / (now - lastFrameTime);
}
