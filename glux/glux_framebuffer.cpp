#include "glux/glux_framebuffer.h"

#include "glux/glux_entry_points.h"

namespace {
const char kExtension[] = "GL_EXT_framebuffer_object";
const char kBlitExtension[] = "GL_EXT_framebuffer_blit";
}  // namespace

#define GLUX_DEFINE_FRAMEBUFFER_ENTRY_POINT(fn, Type) GLUX_DEFINE_ENTRY_POINT(kExtension, fn, Type)
GLUX_FRAMEBUFFER_ENTRY_POINTS(GLUX_DEFINE_FRAMEBUFFER_ENTRY_POINT)
#define GLUX_DEFINE_BLIT_ENTRY_POINT(fn, Type) GLUX_DEFINE_ENTRY_POINT(kBlitExtension, fn, Type)
GLUX_FRAMEBUFFER_BLIT_ENTRY_POINTS(GLUX_DEFINE_BLIT_ENTRY_POINT)

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

GluxFramebufferBlitPlugin::GluxFramebufferBlitPlugin() : GluxPlugin(false) { name = kBlitExtension; }

bool GluxFramebufferBlitPlugin::loadEntryPoints() {
  if (!gluxExtensionListed(kBlitExtension)) return false;
  GLUX_FRAMEBUFFER_BLIT_ENTRY_POINTS(GLUX_RESOLVE_OR_FAIL)
  return true;
}

GluxPlugin& gluxFramebufferBlit() {
  static GluxFramebufferBlitPlugin plugin;
  return plugin;
}
