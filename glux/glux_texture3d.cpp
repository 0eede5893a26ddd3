#include "glux/glux_texture3d.h"

#include "glux/glux_entry_points.h"

namespace {
const char kExtension[] = "GL_EXT_texture3D";
}  // namespace

#define GLUX_DEFINE_TEXTURE3D_ENTRY_POINT(fn, Type) GLUX_DEFINE_ENTRY_POINT(kExtension, fn, Type)
GLUX_TEXTURE3D_ENTRY_POINTS(GLUX_DEFINE_TEXTURE3D_ENTRY_POINT)

GluxTexture3DPlugin::GluxTexture3DPlugin(bool required) : GluxPlugin(required) {
  name = kExtension;
  gluxRegisterPlugin(this);
}

bool GluxTexture3DPlugin::loadEntryPoints() {
  if (!gluxExtensionListed(kExtension)) development = true;
  GLUX_TEXTURE3D_ENTRY_POINTS(GLUX_RESOLVE_OR_FAIL)
  return true;
}
