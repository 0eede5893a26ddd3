// Our mipmapped uploads against real gluBuild3DMipmaps uploads: every level
// read back must match byte for byte.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "render/gradients.h"
#include "render/vol_render.h"
#include "render/volume_upload.h"
#include "tests/support/gl_window.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The density path stores one channel (read back as RGBA), the gradient path three.
struct Format {
  GLint internalFormat;
  GLenum format, readAs;
  int32_t components, readBytes;
};
const Format kDensity{4, GL_ALPHA, GL_RGBA, 1, 4};
const Format kGradient{3, GL_RGB, GL_RGB, 3, 3};

// Every level of the texture bound to GL_TEXTURE_3D, back to back.
Bytes ReadLevels(const Format& f) {
  Bytes all;
  GLint w = 0, h = 0, d = 0;
  for (GLint level = 0;; ++level) {
    glGetTexLevelParameteriv(GL_TEXTURE_3D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_3D, level, GL_TEXTURE_HEIGHT, &h);
    glGetTexLevelParameteriv(GL_TEXTURE_3D, level, GL_TEXTURE_DEPTH, &d);
    if (w == 0) return all;
    const size_t at = all.size();
    all.resize(at + static_cast<size_t>(f.readBytes) * w * h * d);
    glGetTexImage(GL_TEXTURE_3D, level, f.readAs, GL_UNSIGNED_BYTE, all.data() + at);
  }
}

std::vector<float> Noise(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(-0.5f, 2.5f);
  std::vector<float> voxels(count);
  for (float& v : voxels) v = value(random);
  return voxels;
}

// A smooth blob like poured fluid: 0 far out, up to 3 at its heart, with a
// faint ramp so no two planes are alike.
std::vector<float> Blob(int32_t nx, int32_t ny, int32_t nz) {
  std::vector<float> voxels;
  for (int32_t z = 0; z < nz; ++z)
    for (int32_t y = 0; y < ny; ++y)
      for (int32_t x = 0; x < nx; ++x) {
        const double dx = (x - 0.4 * nx) / nx, dy = (y - 0.55 * ny) / ny, dz = (z - 0.5 * nz) / nz;
        voxels.push_back(static_cast<float>(3.0 * std::exp(-(dx * dx + dy * dy + dz * dz) * 12.0) +
                                            0.001 * x - 0.05));
      }
  return voxels;
}

std::vector<float> GradientsOf(const std::vector<float>& volume, int32_t nx, int32_t ny,
                               int32_t nz) {
  std::vector<float> gradients(volume.size() * 3);
  ComputeGradients(volume.data(), nx, ny, nz, gradients.data());
  return gradients;
}

GLint BoundWidth() {
  GLint width = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &width);
  return width;
}

class UploadGl : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    OpenGlWindow("upload test", 64, 64);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);  // read-back rows of 3 bytes stay packed
  }
  void SetUp() override { glGenTextures(2, textures_); }
  void TearDown() override { glDeleteTextures(2, textures_); }

  // The levels of `texture` against the library's built from the same voxels.
  // When it rescales, the library wraps values outside [0, 1] (1.5 shows as
  // 0.5), so it is given them clamped, as our chain reads them.
  void ExpectLibraryLevels(GLuint texture, const Format& f, int32_t nx, int32_t ny, int32_t nz,
                           std::vector<float> voxels) {
    glBindTexture(GL_TEXTURE_3D, texture);
    const Bytes shown = ReadLevels(f);
    if ((nx & (nx - 1)) | (ny & (ny - 1)) | (nz & (nz - 1))) {
      for (float& v : voxels) v = v > 0.0f ? std::min(v, 1.0f) : 0.0f;
    }
    glBindTexture(GL_TEXTURE_3D, textures_[0]);
    gluBuild3DMipmaps(GL_TEXTURE_3D, f.internalFormat, nx, ny, nz, f.format, GL_FLOAT,
                      voxels.data());
    EXPECT_TRUE(ReadLevels(f) == shown) << nx << "x" << ny << "x" << nz << " of " << f.components;
  }

  GLuint textures_[2] = {0, 0};
  MipChain chain_;
};

TEST_F(UploadGl, EveryLevelMatchesTheLibrary) {
  const int32_t sizes[][3] = {
      {172, 172, 172}, {170, 170, 170}, {128, 128, 128}, {172, 130, 90}, {12, 6, 20}};
  for (const Format* f : {&kDensity, &kGradient}) {
    for (const auto& s : sizes) {
      const std::vector<float> blob = Blob(s[0], s[1], s[2]);
      for (const std::vector<float>& voxels :
           {Noise(blob.size() * f->components, s[0] + s[2]),
            f->components == 1 ? blob : GradientsOf(blob, s[0], s[1], s[2])}) {
        glBindTexture(GL_TEXTURE_3D, textures_[1]);
        ASSERT_TRUE(UploadMipmapped3D(chain_, f->internalFormat, f->format, s[0], s[1], s[2],
                                      voxels.data()));
        ExpectLibraryLevels(textures_[1], *f, s[0], s[1], s[2], voxels);
      }
    }
  }
}

TEST_F(UploadGl, DeclinesWhatItCannotVouchFor) {
  const std::vector<float> noise = Noise(400 * 3, 6);
  const float* v = noise.data();
  glBindTexture(GL_TEXTURE_3D, textures_[0]);
  EXPECT_FALSE(UploadMipmapped3D(chain_, GL_RGBA, GL_RGBA, 4, 4, 4, v));
  EXPECT_FALSE(UploadMipmapped3D(chain_, GL_RGBA, GL_LUMINANCE, 4, 4, 4, v));
  EXPECT_FALSE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 400, 1, 1, v));  // 512 wide
  EXPECT_FALSE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 0, 4, 4, v));
  EXPECT_FALSE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 4, 4, 4, nullptr));
  for (GLenum state : {GL_UNPACK_ROW_LENGTH, GL_UNPACK_ALIGNMENT}) {
    GLint before = 0;
    glGetIntegerv(state, &before);
    glPixelStorei(state, 8);
    EXPECT_FALSE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 4, 4, 4, v)) << state;
    glPixelStorei(state, before);
  }
  EXPECT_EQ(BoundWidth(), 0);  // nothing was uploaded
  EXPECT_TRUE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 4, 4, 4, v));
}

TEST_F(UploadGl, RendererUploadsTheLibrarysTexelsClamped) {
  gRenderer.Init();
  const int32_t nx = 172, ny = 130, nz = 90;
  std::vector<float> volume = Blob(nx, ny, nz);
  for (int frame = 0; frame < 2; ++frame) {  // the second frame reuses every buffer
    for (size_t i = 0; i < volume.size(); i += 97) volume[i] += 0.3f;
    gRenderer.SetData(volume.data(), nx, ny, nz);
    gRenderer.BuildGradients();
    ExpectLibraryLevels(gRenderer.volumeTexture, kDensity, nx, ny, nz, volume);
    ExpectLibraryLevels(gRenderer.gradientTexture, kGradient, nx, ny, nz,
                        GradientsOf(volume, nx, ny, nz));
  }
  // A volume our chain declines still reaches its texture, through the library.
  std::vector<float> wide = Noise(400 * 8 * 8, 7);
  gRenderer.SetData(wide.data(), 400, 8, 8);
  glBindTexture(GL_TEXTURE_3D, gRenderer.volumeTexture);
  EXPECT_EQ(BoundWidth(), 512);
  gRenderer.SetData(nullptr, 0, 0, 0);
}

}  // namespace
