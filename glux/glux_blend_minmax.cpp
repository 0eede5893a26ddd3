#include "glux/glux_blend_minmax.h"

#include "glux/glux_entry_points.h"

namespace {
const char kExtension[] = "GL_EXT_blend_minmax";
}  // namespace

#define GLUX_DEFINE_BLEND_MINMAX_ENTRY_POINT(fn, Type) GLUX_DEFINE_ENTRY_POINT(kExtension, fn, Type)
GLUX_BLEND_MINMAX_ENTRY_POINTS(GLUX_DEFINE_BLEND_MINMAX_ENTRY_POINT)

GluxBlendMinmaxPlugin::GluxBlendMinmaxPlugin() : GluxPlugin(false) { name = kExtension; }

// Listed extensions only: a half-supported blend equation would give wrong
// pictures rather than a clear message.
bool GluxBlendMinmaxPlugin::loadEntryPoints() {
  if (!gluxExtensionListed(kExtension)) return false;
  GLUX_BLEND_MINMAX_ENTRY_POINTS(GLUX_RESOLVE_OR_FAIL)
  return true;
}

GluxPlugin& gluxBlendMinmax() {
  static GluxBlendMinmaxPlugin plugin;
  return plugin;
}
