#include "render/volume_upload.h"

#include <GL/glext.h>
#include <GL/glu.h>

#include <climits>
#include <memory>
#include <new>

#include "render/voxel_count.h"

namespace {

// Larger textures are left to the library: they were never compared with
// it, and the chain keeps its buffers for the next frame, which is worth it
// for the fluid's 128 per side but not for a one-off huge volume.
constexpr int32_t kLargestSide = 256;

int32_t ComponentsOf(GLenum format) {
  switch (format) {
    case GL_ALPHA:
      return 1;
    case GL_RGB:
      return 3;
    default:
      return 0;
  }
}

GLint Integer(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

// Our levels are tightly packed float rows read from client memory.
bool UnpackStateIsDefault() {
  return Integer(GL_UNPACK_SWAP_BYTES) == 0 && Integer(GL_UNPACK_ROW_LENGTH) == 0 &&
         Integer(GL_UNPACK_SKIP_ROWS) == 0 && Integer(GL_UNPACK_SKIP_PIXELS) == 0 &&
         Integer(GL_UNPACK_IMAGE_HEIGHT) == 0 && Integer(GL_UNPACK_SKIP_IMAGES) == 0 &&
         Integer(GL_UNPACK_ALIGNMENT) <= 4 && Integer(GL_PIXEL_UNPACK_BUFFER_BINDING) == 0;
}

bool Accepted(GLint internalFormat, GLenum format, int32_t x, int32_t y, int32_t z) {
  glTexImage3D(GL_PROXY_TEXTURE_3D, 0, internalFormat, x, y, z, 0, format, GL_FLOAT, nullptr);
  GLint width = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &width);
  return width != 0;
}

}  // namespace

bool UploadMipmapped3D(MipChain& chain, GLint internalFormat, GLenum format, int32_t nx,
                       int32_t ny, int32_t nz, const float* voxels) {
  const int32_t components = ComponentsOf(format);
  if (components == 0 || voxels == nullptr || nx < 1 || ny < 1 || nz < 1) return false;
  // Sides from 384 up make textures over 256; checked first so no target
  // size is computed from a side the check below would refuse.
  if (nx > 2 * kLargestSide || ny > 2 * kLargestSide || nz > 2 * kLargestSide) return false;
  const int32_t x = MipTargetSize(nx);
  const int32_t y = MipTargetSize(ny);
  const int32_t z = MipTargetSize(nz);
  if (x > kLargestSide || y > kLargestSide || z > kLargestSide) return false;
  if (!UnpackStateIsDefault() || !Accepted(internalFormat, format, x, y, z)) return false;

  if (!chain.Build(voxels, nx, ny, nz, components)) return false;
  for (int32_t i = 0; i < chain.LevelCount(); ++i) {
    const MipLevel level = chain.Level(i);
    glTexImage3D(GL_TEXTURE_3D, i, internalFormat, level.sizeX, level.sizeY, level.sizeZ, 0,
                 format, GL_FLOAT, level.texels);
  }
  return true;
}

void UploadVolumeTexture(MipChain& chain, GLint internalFormat, GLenum format, int32_t nx,
                         int32_t ny, int32_t nz, const float* voxels) {
  if (UploadMipmapped3D(chain, internalFormat, format, nx, ny, nz, voxels)) return;
  const size_t count = VoxelElementCount(nx, ny, nz, ComponentsOf(format));
  // The library sizes images in int.
  if (voxels == nullptr || count == 0 || count > INT_MAX / sizeof(float)) return;
  std::unique_ptr<float[]> clamped(new (std::nothrow) float[count]);
  if (!clamped) return;
  for (size_t i = 0; i < count; ++i) {
    const float v = voxels[i];
    clamped[i] = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;  // NaN fails v > 0
  }
  gluBuild3DMipmaps(GL_TEXTURE_3D, internalFormat, nx, ny, nz, format, GL_FLOAT, clamped.get());
}
