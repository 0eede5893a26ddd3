// Mipmapped uploads of float volumes into a 3D texture, producing the very
// texels gluBuild3DMipmaps makes from the voxels clamped to [0, 1], at a
// fraction of its cost.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "render/texture_upload.h"

// Uploads every mip level of an nx*ny*nz volume of float voxels in `format`
// (GL_ALPHA or GL_RGB) to the texture bound to GL_TEXTURE_3D of the active
// unit, building the levels in `chain` (kept by the caller so its buffers
// serve the next frame). Returns false, having uploaded nothing, whenever
// it cannot vouch for matching the library: other formats, pixel-unpack
// state away from its defaults, or sizes the implementation would refuse
// (the library then shrinks the texture by its own rules). The caller
// falls back on gluBuild3DMipmaps in that case.
bool UploadMipmapped3D(MipChain& chain, GLint internalFormat, GLenum format, int32_t nx,
                       int32_t ny, int32_t nz, const float* voxels);

// Uploads every mip level of an nx*ny*nz volume of float voxels in `format`
// (GL_ALPHA or GL_RGB) to the texture bound to GL_TEXTURE_3D of the active
// unit: through UploadMipmapped3D when it can, else through the library on a
// copy clamped to [0, 1] (NaN to 0). Rescaling, the library wraps values
// outside that range, so dense fluid would show faint and empty space solid.
// Uploads nothing, leaving the texture as it was, when the volume is too
// large to copy or for the library to size.
void UploadVolumeTexture(MipChain& chain, GLint internalFormat, GLenum format, int32_t nx,
                         int32_t ny, int32_t nz, const float* voxels);
