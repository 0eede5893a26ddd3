// Every level of our mipmapped uploads must match gluBuild3DMipmaps' byte for byte.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "render/volume_upload.h"
#include "tests/support/gl_window.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Every level of the texture bound to GL_TEXTURE_3D, back to back, as RGBA.
Bytes ReadLevels() {
  Bytes all;
  GLint w = 0, h = 0, d = 0;
  for (GLint level = 0;; ++level) {
    glGetTexLevelParameteriv(GL_TEXTURE_3D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_3D, level, GL_TEXTURE_HEIGHT, &h);
    glGetTexLevelParameteriv(GL_TEXTURE_3D, level, GL_TEXTURE_DEPTH, &d);
    if (w == 0) return all;
    const size_t bytes = size_t{4} * w * h * d;
    all.resize(all.size() + bytes);
    glGetTexImage(GL_TEXTURE_3D, level, GL_RGBA, GL_UNSIGNED_BYTE, all.data() + all.size() - bytes);
  }
}

TEST(UploadGl, EveryLevelMatchesTheLibraryAndWhatCannotMatchIsDeclined) {
  OpenGlWindow("upload test", 64, 64);
  GLuint textures[2];
  glGenTextures(2, textures);
  MipChain chain;
  // Density (1 component) and gradients (3): shrinking (both cores, padded x taps, three
  // taps, flat last levels), growing (boxes wrap round the edges) and passed through.
  const int32_t cases[][4] = {{172, 172, 172, 1}, {172, 130, 90, 3}, {12, 6, 20, 3},
                              {172, 172, 40, 1},  {170, 46, 90, 3},  {191, 5, 9, 1},
                              {100, 7, 3, 1},     {1, 3, 1, 3},      {32, 8, 16, 3}, {1, 1, 1, 1}};
  const float odd[] = {NAN, INFINITY, -1e10f, 40000.0f, 1.0f, 1.00002f, -0.0f, 65536.0f / 65535};
  for (const auto& k : cases) {
    const GLint internalFormat = k[3] == 1 ? 4 : 3;
    const GLenum format = k[3] == 1 ? GL_ALPHA : GL_RGB;
    std::mt19937 random(k[0]);
    std::vector<float> voxels(size_t{1} * k[0] * k[1] * k[2] * k[3]);
    for (float& v : voxels) v = std::uniform_real_distribution<float>(-0.2f, 1.2f)(random);
    for (size_t i = 1; i < voxels.size(); i += 7) voxels[i] = odd[(i / 7) % 8];
    glBindTexture(GL_TEXTURE_3D, textures[1]);
    ASSERT_TRUE(UploadMipmapped3D(chain, internalFormat, format, k[0], k[1], k[2], voxels.data()));
    const Bytes ours = ReadLevels();
    // The library is given what ours reads: values clamped to [0, 1], NaN as 0.
    for (float& v : voxels) v = v > 0 ? std::min(v, 1.0f) : 0.0f;
    glBindTexture(GL_TEXTURE_3D, textures[0]);
    gluBuild3DMipmaps(GL_TEXTURE_3D, internalFormat, k[0], k[1], k[2], format, GL_FLOAT,
                      voxels.data());
    EXPECT_TRUE(ReadLevels() == ours) << k[0] << "x" << k[1] << "x" << k[2] << " of " << k[3];
  }

  static const float v[400] = {};
  EXPECT_FALSE(UploadMipmapped3D(chain, GL_RGBA, GL_RGBA, 4, 4, 4, v));
  EXPECT_FALSE(UploadMipmapped3D(chain, 4, GL_ALPHA, 400, 1, 1, v));  // 512 wide
  EXPECT_FALSE(UploadMipmapped3D(chain, 4, GL_ALPHA, INT32_MAX, 1, 1, v));
  EXPECT_FALSE(UploadMipmapped3D(chain, 4, GL_ALPHA, 0, 4, 4, v));
  EXPECT_FALSE(UploadMipmapped3D(chain, 4, GL_ALPHA, 4, 4, 4, nullptr));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  EXPECT_FALSE(UploadMipmapped3D(chain, 4, GL_ALPHA, 4, 4, 4, v));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  EXPECT_TRUE(UploadMipmapped3D(chain, 4, GL_ALPHA, 4, 4, 4, v));
}

}  // namespace
