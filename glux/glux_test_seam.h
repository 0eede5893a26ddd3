// The three platform services gluX depends on, replaceable so that tests can
// run the loader without a GL context or a window.
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

// Defaults: glGetString(GL_EXTENSIONS), glXGetProcAddressARB, ShowMessageBox.
const GluxPlatform& gluxPlatform();

// Installs `platform` and returns the one it replaces, for restoring.
GluxPlatform gluxSetPlatform(const GluxPlatform& platform);
