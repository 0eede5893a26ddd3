// GL_EXT_texture3D through gluX: include this header, then call the entry
// points by their OpenGL names, e.g. glTexImage3DEXT(...). Until gluxInit has
// resolved them they hold fatal stubs that name the function and end the
// process.
#pragma once

// The GL headers come first: they declare prototypes under the same names,
// which the macros below redirect to gluX's pointers.
#include <GL/gl.h>
#include <GL/glext.h>

#include "glux/glux.h"

class GluxTexture3DPlugin : public GluxPlugin {
public:
  explicit GluxTexture3DPlugin(bool required);
  bool loadEntryPoints() override;
};

using GluxPluginFor_GL_EXT_texture3D = GluxTexture3DPlugin;

// The entry points in resolution order.
#define GLUX_TEXTURE3D_ENTRY_POINTS(X)           \
  X(TexImage3DEXT, PFNGLTEXIMAGE3DEXTPROC)       \
  X(TexSubImage3DEXT, PFNGLTEXSUBIMAGE3DEXTPROC)

#define GLUX_DECLARE_TEXTURE3D_POINTER(fn, Type) extern Type glux_gl##fn;
GLUX_TEXTURE3D_ENTRY_POINTS(GLUX_DECLARE_TEXTURE3D_POINTER)
#undef GLUX_DECLARE_TEXTURE3D_POINTER

#define glTexImage3DEXT glux_glTexImage3DEXT
#define glTexSubImage3DEXT glux_glTexSubImage3DEXT
