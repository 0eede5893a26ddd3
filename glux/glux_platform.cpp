#include "glux/glux_platform.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <cstdio>

namespace {

const unsigned char* currentExtensionString() {
  return glGetString(GL_EXTENSIONS);
}

GluxProc glxLookup(const char* name) {
  return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}

void printMessageBox(const char* caption, const char* text, bool) {
  std::fprintf(stderr, "%s\n%s\n", caption, text);
}

GluxPlatform gPlatform = {currentExtensionString, glxLookup, printMessageBox};

}  // namespace

const GluxPlatform& gluxPlatform() {
  return gPlatform;
}

GluxPlatform gluxSetPlatform(const GluxPlatform& platform) {
  GluxPlatform previous = gPlatform;
  gPlatform = platform;
  return previous;
}
