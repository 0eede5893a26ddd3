// The three platform services gluX depends on. The shell installs its message
// box; tests replace all three to run the loader without a context or window.
#pragma once

// An entry point as returned by the platform lookup, before it is cast to its
// real type.
using GluxProc = void (*)();

struct GluxPlatform {
  // The space-separated extension list; null when no context is current.
  const unsigned char* (*extensionString)();
  // The named entry point of the current context, or null.
  GluxProc (*lookupEntryPoint)(const char* name);
  // The modal message box, returning when dismissed.
  void (*showMessageBox)(const char* caption, const char* text, bool errorIcon);
};

// Defaults: glGetString(GL_EXTENSIONS), glXGetProcAddressARB, and a box
// printed to stderr until the shell installs its own.
const GluxPlatform& gluxPlatform();

// Installs `platform` and returns the one it replaces, for restoring.
GluxPlatform gluxSetPlatform(const GluxPlatform& platform);
