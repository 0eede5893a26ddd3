// Keeps C++ exceptions out of GLUT's C frames: a guarded callback catches
// whatever it throws, leaves the main loop and keeps the exception for main.
#pragma once

#include <exception>

void LeaveMainLoopWith(std::exception_ptr error);

// True once a callback has failed, or while a message box waits for the user.
bool CallbacksSuspended();

// Rethrows the exception a callback left behind, if any.
void RethrowCallbackError();

template <auto Callback, typename... Args>
void Guarded(Args... args) {
  if (CallbacksSuspended()) return;
  try {
    Callback(args...);
  } catch (...) {
    LeaveMainLoopWith(std::current_exception());
  }
}
