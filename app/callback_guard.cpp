#include "app/callback_guard.h"

#include <GL/freeglut.h>

#include "app/message_box.h"

namespace {
std::exception_ptr gCallbackError;
}

void LeaveMainLoopWith(std::exception_ptr error) {
  gCallbackError = error;
  // Let glutMainLoop return to main instead of ending the process.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  glutLeaveMainLoop();
}

bool CallbacksSuspended() { return gCallbackError != nullptr || MessageBoxActive(); }

void RethrowCallbackError() {
  if (gCallbackError) std::rethrow_exception(gCallbackError);
}
