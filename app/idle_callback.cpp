#include "app/idle_callback.h"

#include <GL/freeglut.h>

#include "app/app_state.h"
#include "sources/fluid_driver.h"

void IdleCallback() {
  FluidPointer pointer{gWindowWidth, gWindowHeight, gMouseX,   gMouseY,
                       gMouseOldX,   gMouseOldY,    gLeftDown, gRightDown};
  AdvanceFluid(gFluidMode, gPaused, pointer);
  glutPostRedisplay();
}
