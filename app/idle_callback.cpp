#include "app/idle_callback.h"

#include <GL/freeglut.h>

#include "app/app_state.h"
#include "app/benchmark_run.h"
#include "app/callback_guard.h"
#include "app/interactive_detail.h"
#include "app/screenshot.h"
#include "app/viewer.h"
#include "sources/fluid_driver.h"

namespace {

bool MovesByItself() { return (gFluidMode && !gPaused) || ScreenshotsPending() || BenchmarkRunning(); }

void Redraw(int) { glutPostRedisplay(); }

}  // namespace

void IdleCallback() {
  FluidPointer pointer{gWindowWidth, gWindowHeight, gMouseX,   gMouseY,
                       gMouseOldX,   gMouseOldY,    gLeftDown, gRightDown};
  AdvanceFluid(gFluidMode, gPaused, pointer);
  glutPostRedisplay();
  if (OpenedViewState() != nullptr && !MovesByItself()) glutIdleFunc(nullptr);
}

void RedrawAfterInput() {
  glutPostRedisplay();
  if (MovesByItself()) glutIdleFunc(Guarded<IdleCallback>);
}

void RedrawAfterQuiet() { glutTimerFunc(QuietAfterEventMs() + 30, Redraw, 0); }
