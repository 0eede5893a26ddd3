#include "glux/glux_framebuffer.h"

#include "glux/glux_entry_points.h"

namespace {
const char kExtension[] = "GL_EXT_framebuffer_object";
}  // namespace

#define GLUX_DEFINE_FRAMEBUFFER_ENTRY_POINT(fn, Type) GLUX_DEFINE_ENTRY_POINT(kExtension, fn, Type)
GLUX_FRAMEBUFFER_ENTRY_POINTS(GLUX_DEFINE_FRAMEBUFFER_ENTRY_POINT)

GluxFramebufferPlugin::GluxFramebufferPlugin() : GluxPlugin(false) { name = kExtension; }

bool GluxFramebufferPlugin::loadEntryPoints() {
  if (!gluxExtensionListed(kExtension)) return false;
  GLUX_FRAMEBUFFER_ENTRY_POINTS(GLUX_RESOLVE_OR_FAIL)
  return true;
}

GluxPlugin& gluxFramebuffer() {
  static GluxFramebufferPlugin plugin;
  return plugin;
}
