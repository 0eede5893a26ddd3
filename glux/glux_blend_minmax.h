// GL_EXT_blend_minmax through gluX, loaded on demand: only the render modes
// that keep the largest or smallest value need it, so it is not registered
// and the start-up report stays as it is. Call gluxBlendMinmax().isLoaded()
// with a GL context current before glBlendEquationEXT; until then the entry
// point holds a fatal stub.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include "glux/glux.h"

class GluxBlendMinmaxPlugin : public GluxPlugin {
public:
  GluxBlendMinmaxPlugin();
  bool loadEntryPoints() override;
};

GluxPlugin& gluxBlendMinmax();

#define GLUX_BLEND_MINMAX_ENTRY_POINTS(X) X(BlendEquationEXT, PFNGLBLENDEQUATIONEXTPROC)

#define GLUX_DECLARE_BLEND_MINMAX_POINTER(fn, Type) extern Type glux_gl##fn;
GLUX_BLEND_MINMAX_ENTRY_POINTS(GLUX_DECLARE_BLEND_MINMAX_POINTER)
#undef GLUX_DECLARE_BLEND_MINMAX_POINTER

#define glBlendEquationEXT glux_glBlendEquationEXT
