#include "app/interactive_detail.h"

#include <chrono>
#include <optional>

#include "app/app_state.h"
#include "render/reduced_frame.h"
#include "render/vol_render.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long after a wheel event or a repeated key frames still count as
// interactive: longer than a key's repeat interval, short enough not to be
// seen.
constexpr Clock::duration kQuietAfterEvent = std::chrono::milliseconds(300);

std::optional<DetailController> gController;
int32_t gFullSlices = 0;
Clock::time_point gLastEvent;
Clock::time_point gLastFrame;
bool gFrameDrawn = false;
Detail gLastDetail{0, 1.0f};
ReducedFrame gReducedFrame;

}  // namespace

void SetUpInteractiveDetail(double targetMs, int32_t fullSlices, bool sharp) {
  DetailLimits limits;
  limits.fullSlices = gFullSlices = fullSlices;
  limits.targetMs = targetMs;
  if (sharp) {
    limits.minSliceShare = 0.75f;
    limits.minScale = 0.8f;
  }
  gController.emplace(limits);
}

int QuietAfterEventMs() {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(kQuietAfterEvent).count());
}

void NoteWheel() { gLastEvent = Clock::now(); }

void NoteKey(unsigned char key) {
  static unsigned char lastKey = 0;
  static Clock::time_point lastKeyTime;
  const Clock::time_point now = Clock::now();
  if (key == lastKey && now - lastKeyTime < kQuietAfterEvent) gLastEvent = now;
  lastKey = key;
  lastKeyTime = now;
}

bool InteractionUnderway() {
  return gLeftDown || gMiddleDown || gRightDown || Clock::now() - gLastEvent < kQuietAfterEvent;
}

void DrawVolumeAtDetail(bool interactive, DrawInputs inputs) {
  const Clock::time_point now = Clock::now();
  if (gFrameDrawn) {
    gController->Measured(gLastDetail,
                          std::chrono::duration<double, std::milli>(now - gLastFrame).count());
  }
  gLastFrame = now;
  gFrameDrawn = true;
  const int32_t full = inputs.sliceCount;
  if (full != gFullSlices) {
    gController->SetFullSlices(full);
    gFullSlices = full;
  }
  Detail detail = interactive ? gController->Next() : Detail{full, 1.0f};
  const bool reduced = detail.viewportScale < 1.0f && ReducedFrame::Supported() &&
                       gReducedFrame.Begin(detail.viewportScale);
  if (!reduced) detail.viewportScale = 1.0f;
  inputs.sliceCount = detail.slices;
  gRenderer.DrawOriented(inputs);
  if (reduced) gReducedFrame.End();
  gLastDetail = detail;
}

Detail LastDetail() { return gLastDetail; }
