#include "glux/glux_test_seam.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include "app/message_box.h"

namespace {

const unsigned char* currentExtensionString() {
  return glGetString(GL_EXTENSIONS);
}

GluxProc glxLookup(const char* name) {
  return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}

GluxPlatform gPlatform = {currentExtensionString, glxLookup, ShowMessageBox};

}  // namespace

const GluxPlatform& gluxPlatform() {
  return gPlatform;
}

GluxPlatform gluxSetPlatform(const GluxPlatform& platform) {
  GluxPlatform previous = gPlatform;
  gPlatform = platform;
  return previous;
}
