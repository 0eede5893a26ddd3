// GL_EXT_framebuffer_object through gluX, loaded on demand like
// GL_EXT_blend_minmax: the projection render modes draw into a texture of
// their own. Call gluxFramebuffer().isLoaded() with a GL context current
// before using the entry points.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include "glux/glux.h"

class GluxFramebufferPlugin : public GluxPlugin {
public:
  GluxFramebufferPlugin();
  bool loadEntryPoints() override;
};

GluxPlugin& gluxFramebuffer();

// GL_EXT_framebuffer_blit, on demand too: a frame drawn smaller while the
// user interacts is stretched onto the window with it.
class GluxFramebufferBlitPlugin : public GluxPlugin {
public:
  GluxFramebufferBlitPlugin();
  bool loadEntryPoints() override;
};

GluxPlugin& gluxFramebufferBlit();

#define GLUX_FRAMEBUFFER_ENTRY_POINTS(X)                            \
  X(GenFramebuffersEXT, PFNGLGENFRAMEBUFFERSEXTPROC)                \
  X(BindFramebufferEXT, PFNGLBINDFRAMEBUFFEREXTPROC)                \
  X(FramebufferTexture2DEXT, PFNGLFRAMEBUFFERTEXTURE2DEXTPROC)      \
  X(CheckFramebufferStatusEXT, PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC)

#define GLUX_FRAMEBUFFER_BLIT_ENTRY_POINTS(X) X(BlitFramebufferEXT, PFNGLBLITFRAMEBUFFEREXTPROC)

#define GLUX_DECLARE_FRAMEBUFFER_POINTER(fn, Type) extern Type glux_gl##fn;
GLUX_FRAMEBUFFER_ENTRY_POINTS(GLUX_DECLARE_FRAMEBUFFER_POINTER)
GLUX_FRAMEBUFFER_BLIT_ENTRY_POINTS(GLUX_DECLARE_FRAMEBUFFER_POINTER)
#undef GLUX_DECLARE_FRAMEBUFFER_POINTER

#define glGenFramebuffersEXT glux_glGenFramebuffersEXT
#define glBindFramebufferEXT glux_glBindFramebufferEXT
#define glFramebufferTexture2DEXT glux_glFramebufferTexture2DEXT
#define glCheckFramebufferStatusEXT glux_glCheckFramebufferStatusEXT
#define glBlitFramebufferEXT glux_glBlitFramebufferEXT
