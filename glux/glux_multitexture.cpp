#include "glux/glux_multitexture.h"

#include "glux/glux_entry_points.h"

namespace {
const char kExtension[] = "GL_ARB_multitexture";
}  // namespace

#define GLUX_DEFINE_MULTITEXTURE_ENTRY_POINT(fn, Type) GLUX_DEFINE_ENTRY_POINT(kExtension, fn, Type)
GLUX_MULTITEXTURE_ENTRY_POINTS(GLUX_DEFINE_MULTITEXTURE_ENTRY_POINT)

GluxMultitexturePlugin::GluxMultitexturePlugin(bool required) : GluxPlugin(required) {
  name = kExtension;
  gluxRegisterPlugin(this);
}

bool GluxMultitexturePlugin::loadEntryPoints() {
  if (!gluxExtensionListed(kExtension)) development = true;
  GLUX_MULTITEXTURE_ENTRY_POINTS(GLUX_RESOLVE_OR_FAIL)
  return true;
}
