// GL_ARB_multitexture through gluX: include this header, then call the
// entry points by their OpenGL names, e.g. glActiveTextureARB(GL_TEXTURE1_ARB).
// Until gluxInit has resolved them they hold fatal stubs that name the
// function and end the process.
#pragma once

// The GL headers come first: they declare prototypes under the same names,
// which the macros below redirect to gluX's pointers.
#include <GL/gl.h>
#include <GL/glext.h>

#include "glux/glux.h"

class GluxMultitexturePlugin : public GluxPlugin {
public:
  explicit GluxMultitexturePlugin(bool required);
  bool loadEntryPoints() override;
};

using GluxPluginFor_GL_ARB_multitexture = GluxMultitexturePlugin;

// The entry points in resolution order.
#define GLUX_MULTITEXTURE_ENTRY_POINTS(X) \
  X(ActiveTextureARB, PFNGLACTIVETEXTUREARBPROC) \
  X(ClientActiveTextureARB, PFNGLCLIENTACTIVETEXTUREARBPROC) \
  X(MultiTexCoord1dARB, PFNGLMULTITEXCOORD1DARBPROC) \
  X(MultiTexCoord1dvARB, PFNGLMULTITEXCOORD1DVARBPROC) \
  X(MultiTexCoord1fARB, PFNGLMULTITEXCOORD1FARBPROC) \
  X(MultiTexCoord1fvARB, PFNGLMULTITEXCOORD1FVARBPROC) \
  X(MultiTexCoord1iARB, PFNGLMULTITEXCOORD1IARBPROC) \
  X(MultiTexCoord1ivARB, PFNGLMULTITEXCOORD1IVARBPROC) \
  X(MultiTexCoord1sARB, PFNGLMULTITEXCOORD1SARBPROC) \
  X(MultiTexCoord1svARB, PFNGLMULTITEXCOORD1SVARBPROC) \
  X(MultiTexCoord2dARB, PFNGLMULTITEXCOORD2DARBPROC) \
  X(MultiTexCoord2dvARB, PFNGLMULTITEXCOORD2DVARBPROC) \
  X(MultiTexCoord2fARB, PFNGLMULTITEXCOORD2FARBPROC) \
  X(MultiTexCoord2fvARB, PFNGLMULTITEXCOORD2FVARBPROC) \
  X(MultiTexCoord2iARB, PFNGLMULTITEXCOORD2IARBPROC) \
  X(MultiTexCoord2ivARB, PFNGLMULTITEXCOORD2IVARBPROC) \
  X(MultiTexCoord2sARB, PFNGLMULTITEXCOORD2SARBPROC) \
  X(MultiTexCoord2svARB, PFNGLMULTITEXCOORD2SVARBPROC) \
  X(MultiTexCoord3dARB, PFNGLMULTITEXCOORD3DARBPROC) \
  X(MultiTexCoord3dvARB, PFNGLMULTITEXCOORD3DVARBPROC) \
  X(MultiTexCoord3fARB, PFNGLMULTITEXCOORD3FARBPROC) \
  X(MultiTexCoord3fvARB, PFNGLMULTITEXCOORD3FVARBPROC) \
  X(MultiTexCoord3iARB, PFNGLMULTITEXCOORD3IARBPROC) \
  X(MultiTexCoord3ivARB, PFNGLMULTITEXCOORD3IVARBPROC) \
  X(MultiTexCoord3sARB, PFNGLMULTITEXCOORD3SARBPROC) \
  X(MultiTexCoord3svARB, PFNGLMULTITEXCOORD3SVARBPROC) \
  X(MultiTexCoord4dARB, PFNGLMULTITEXCOORD4DARBPROC) \
  X(MultiTexCoord4dvARB, PFNGLMULTITEXCOORD4DVARBPROC) \
  X(MultiTexCoord4fARB, PFNGLMULTITEXCOORD4FARBPROC) \
  X(MultiTexCoord4fvARB, PFNGLMULTITEXCOORD4FVARBPROC) \
  X(MultiTexCoord4iARB, PFNGLMULTITEXCOORD4IARBPROC) \
  X(MultiTexCoord4ivARB, PFNGLMULTITEXCOORD4IVARBPROC) \
  X(MultiTexCoord4sARB, PFNGLMULTITEXCOORD4SARBPROC) \
  X(MultiTexCoord4svARB, PFNGLMULTITEXCOORD4SVARBPROC)

#define GLUX_DECLARE_MULTITEXTURE_POINTER(fn, Type) extern Type glux_gl##fn;
GLUX_MULTITEXTURE_ENTRY_POINTS(GLUX_DECLARE_MULTITEXTURE_POINTER)
#undef GLUX_DECLARE_MULTITEXTURE_POINTER

#define glActiveTextureARB glux_glActiveTextureARB
#define glClientActiveTextureARB glux_glClientActiveTextureARB
#define glMultiTexCoord1dARB glux_glMultiTexCoord1dARB
#define glMultiTexCoord1dvARB glux_glMultiTexCoord1dvARB
#define glMultiTexCoord1fARB glux_glMultiTexCoord1fARB
#define glMultiTexCoord1fvARB glux_glMultiTexCoord1fvARB
#define glMultiTexCoord1iARB glux_glMultiTexCoord1iARB
#define glMultiTexCoord1ivARB glux_glMultiTexCoord1ivARB
#define glMultiTexCoord1sARB glux_glMultiTexCoord1sARB
#define glMultiTexCoord1svARB glux_glMultiTexCoord1svARB
#define glMultiTexCoord2dARB glux_glMultiTexCoord2dARB
#define glMultiTexCoord2dvARB glux_glMultiTexCoord2dvARB
#define glMultiTexCoord2fARB glux_glMultiTexCoord2fARB
#define glMultiTexCoord2fvARB glux_glMultiTexCoord2fvARB
#define glMultiTexCoord2iARB glux_glMultiTexCoord2iARB
#define glMultiTexCoord2ivARB glux_glMultiTexCoord2ivARB
#define glMultiTexCoord2sARB glux_glMultiTexCoord2sARB
#define glMultiTexCoord2svARB glux_glMultiTexCoord2svARB
#define glMultiTexCoord3dARB glux_glMultiTexCoord3dARB
#define glMultiTexCoord3dvARB glux_glMultiTexCoord3dvARB
#define glMultiTexCoord3fARB glux_glMultiTexCoord3fARB
#define glMultiTexCoord3fvARB glux_glMultiTexCoord3fvARB
#define glMultiTexCoord3iARB glux_glMultiTexCoord3iARB
#define glMultiTexCoord3ivARB glux_glMultiTexCoord3ivARB
#define glMultiTexCoord3sARB glux_glMultiTexCoord3sARB
#define glMultiTexCoord3svARB glux_glMultiTexCoord3svARB
#define glMultiTexCoord4dARB glux_glMultiTexCoord4dARB
#define glMultiTexCoord4dvARB glux_glMultiTexCoord4dvARB
#define glMultiTexCoord4fARB glux_glMultiTexCoord4fARB
#define glMultiTexCoord4fvARB glux_glMultiTexCoord4fvARB
#define glMultiTexCoord4iARB glux_glMultiTexCoord4iARB
#define glMultiTexCoord4ivARB glux_glMultiTexCoord4ivARB
#define glMultiTexCoord4sARB glux_glMultiTexCoord4sARB
#define glMultiTexCoord4svARB glux_glMultiTexCoord4svARB
