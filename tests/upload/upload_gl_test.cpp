// Our mipmapped uploads against real gluBuild3DMipmaps uploads: every level
// read back must match texel for texel.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "render/gradients.h"
#include "render/vol_render.h"
#include "render/volume_upload.h"

namespace {

struct Format {
  GLint internalFormat;
  GLenum format;   // of the voxels
  GLenum readAs;   // every component the texture stores
  GLenum readType;
  int32_t components;
};
const Format kAlpha8{4, GL_ALPHA, GL_RGBA, GL_UNSIGNED_BYTE, 1};
const Format kRgb8{3, GL_RGB, GL_RGB, GL_UNSIGNED_BYTE, 3};
const Format kAlphaFloat{GL_ALPHA32F_ARB, GL_ALPHA, GL_ALPHA, GL_FLOAT, 1};
const Format kRgbFloat{GL_RGB32F_ARB, GL_RGB, GL_RGB, GL_FLOAT, 3};

bool PowerOfTwo(int32_t n) { return (n & (n - 1)) == 0; }

// What the library must be given to upload the texels we mean: when it
// rescales, it wraps values outside [0, 1] (1.5 shows as 0.5), so those are
// clamped beforehand; our chain clamps them itself.
std::vector<float> LibraryInput(std::vector<float> voxels, int32_t nx, int32_t ny, int32_t nz) {
  if (PowerOfTwo(nx) && PowerOfTwo(ny) && PowerOfTwo(nz)) return voxels;
  for (float& v : voxels) v = v > 0.0f ? std::min(v, 1.0f) : 0.0f;
  return voxels;
}

class UploadGl : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    int argc = 1;
    char name[] = "upload_gl_test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow("upload test");
    glPixelStorei(GL_PACK_ALIGNMENT, 1);  // read-back rows of 3 bytes stay packed
  }

  void SetUp() override { glGenTextures(2, textures_); }
  void TearDown() override { glDeleteTextures(2, textures_); }

  // Every level of the texture bound to GL_TEXTURE_3D, back to back, as raw bytes.
  static std::vector<unsigned char> ReadLevels(const Format& f, int32_t* levels) {
    std::vector<unsigned char> all;
    const size_t bytesPerTexel = (f.readAs == GL_RGBA ? 4 : f.readAs == GL_RGB ? 3 : 1) *
                                 (f.readType == GL_FLOAT ? sizeof(float) : 1);
    *levels = 0;
    for (GLint level = 0;; ++level) {
      GLint w = 0, h = 0, d = 0;
      glGetTexLevelParameteriv(GL_TEXTURE_3D, level, GL_TEXTURE_WIDTH, &w);
      glGetTexLevelParameteriv(GL_TEXTURE_3D, level, GL_TEXTURE_HEIGHT, &h);
      glGetTexLevelParameteriv(GL_TEXTURE_3D, level, GL_TEXTURE_DEPTH, &d);
      if (w == 0) break;
      const size_t at = all.size();
      all.resize(at + bytesPerTexel * static_cast<size_t>(w) * h * d);
      glGetTexImage(GL_TEXTURE_3D, level, f.readAs, f.readType, all.data() + at);
      ++*levels;
    }
    return all;
  }

  // Uploads through the library and through our chain; expects the same levels.
  void ExpectSameLevels(const Format& f, int32_t nx, int32_t ny, int32_t nz,
                        const std::vector<float>& voxels) {
    SCOPED_TRACE(::testing::Message() << nx << "x" << ny << "x" << nz << " internal format 0x"
                                      << std::hex << f.internalFormat);
    glBindTexture(GL_TEXTURE_3D, textures_[0]);
    gluBuild3DMipmaps(GL_TEXTURE_3D, f.internalFormat, nx, ny, nz, f.format, GL_FLOAT,
                      LibraryInput(voxels, nx, ny, nz).data());
    int32_t libraryLevels = 0;
    const std::vector<unsigned char> library = ReadLevels(f, &libraryLevels);

    glBindTexture(GL_TEXTURE_3D, textures_[1]);
    ASSERT_TRUE(UploadMipmapped3D(chain_, f.internalFormat, f.format, nx, ny, nz, voxels.data()));
    int32_t ourLevels = 0;
    const std::vector<unsigned char> ours = ReadLevels(f, &ourLevels);

    EXPECT_EQ(ourLevels, libraryLevels);
    ASSERT_EQ(ours.size(), library.size());
    size_t differing = 0;
    for (size_t i = 0; i < ours.size(); ++i) differing += ours[i] != library[i];
    EXPECT_EQ(differing, 0u) << "of " << ours.size() << " bytes";
  }

  GLuint textures_[2] = {0, 0};
  MipChain chain_;
};

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
  std::vector<float> voxels(static_cast<size_t>(nx) * ny * nz);
  for (int32_t z = 0; z < nz; ++z)
    for (int32_t y = 0; y < ny; ++y)
      for (int32_t x = 0; x < nx; ++x) {
        const double dx = (x - 0.4 * nx) / nx, dy = (y - 0.55 * ny) / ny, dz = (z - 0.5 * nz) / nz;
        voxels[(static_cast<size_t>(z) * ny + y) * nx + x] = static_cast<float>(
            3.0 * std::exp(-(dx * dx + dy * dy + dz * dz) * 12.0) + 0.001 * x - 0.05);
      }
  return voxels;
}

std::vector<float> Gradients(const std::vector<float>& volume, int32_t nx, int32_t ny,
                             int32_t nz) {
  std::vector<float> gradients(volume.size() * 3);
  ComputeGradients(volume.data(), nx, ny, nz, gradients.data());
  return gradients;
}

const int32_t kSizes[][3] = {{172, 172, 172}, {170, 170, 170}, {128, 128, 128},
                             {172, 130, 90}, {12, 6, 20}};

TEST_F(UploadGl, OneChannelVolumesMatchTheLibrary) {
  for (const auto& s : kSizes) {
    const size_t count = static_cast<size_t>(s[0]) * s[1] * s[2];
    ExpectSameLevels(kAlpha8, s[0], s[1], s[2], Noise(count, 1));
    ExpectSameLevels(kAlpha8, s[0], s[1], s[2], Blob(s[0], s[1], s[2]));
  }
}

TEST_F(UploadGl, GradientVolumesMatchTheLibrary) {
  for (const auto& s : kSizes) {
    const size_t count = static_cast<size_t>(s[0]) * s[1] * s[2];
    ExpectSameLevels(kRgb8, s[0], s[1], s[2], Noise(count * 3, 2));
    // Gradients of a blob that rises past 1, so some components leave [0, 1].
    std::vector<float> gradients = Gradients(Blob(s[0], s[1], s[2]), s[0], s[1], s[2]);
    ExpectSameLevels(kRgb8, s[0], s[1], s[2], gradients);
  }
}

TEST_F(UploadGl, FloatTexturesShowTheLevelsAreExact) {
  // Float storage keeps every bit the library computes, not just 8 of them.
  ExpectSameLevels(kAlphaFloat, 172, 130, 90, Noise(172 * 130 * 90, 3));
  ExpectSameLevels(kAlphaFloat, 128, 64, 32, Noise(128 * 64 * 32, 4));
  ExpectSameLevels(kRgbFloat, 170, 170, 170, Gradients(Blob(170, 170, 170), 170, 170, 170));
  ExpectSameLevels(kRgbFloat, 12, 6, 20, Noise(12 * 6 * 20 * 3, 5));
}

TEST_F(UploadGl, DeclinesWhatItCannotVouchFor) {
  const std::vector<float> voxels = Noise(400 * 3, 6);
  glBindTexture(GL_TEXTURE_3D, textures_[0]);
  EXPECT_FALSE(UploadMipmapped3D(chain_, GL_RGBA, GL_RGBA, 4, 4, 4, voxels.data()));
  EXPECT_FALSE(UploadMipmapped3D(chain_, GL_RGBA, GL_LUMINANCE, 4, 4, 4, voxels.data()));
  EXPECT_FALSE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 400, 1, 1, voxels.data()));  // 512 wide
  EXPECT_FALSE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 0, 4, 4, voxels.data()));
  EXPECT_FALSE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 4, 4, 4, nullptr));
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 8);
  EXPECT_FALSE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 4, 4, 4, voxels.data()));
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  EXPECT_FALSE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 4, 4, 4, voxels.data()));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  GLint width = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 0);  // nothing was uploaded
  EXPECT_TRUE(UploadMipmapped3D(chain_, 4, GL_ALPHA, 4, 4, 4, voxels.data()));
}

TEST_F(UploadGl, RendererUploadsTheLibrarysTexelsClamped) {
  gRenderer.Init();
  const int32_t nx = 172, ny = 130, nz = 90;
  std::vector<float> volume = Blob(nx, ny, nz);
  for (int frame = 0; frame < 2; ++frame) {  // the second frame reuses every buffer
    for (size_t i = 0; i < volume.size(); i += 97) volume[i] += 0.3f;
    gRenderer.SetData(volume.data(), nx, ny, nz);
    gRenderer.BuildGradients();

    glBindTexture(GL_TEXTURE_3D, gRenderer.volumeTexture);
    int32_t levels = 0;
    const std::vector<unsigned char> shownVolume = ReadLevels(kAlpha8, &levels);
    glBindTexture(GL_TEXTURE_3D, gRenderer.gradientTexture);
    const std::vector<unsigned char> shownGradients = ReadLevels(kRgb8, &levels);

    glBindTexture(GL_TEXTURE_3D, textures_[0]);
    gluBuild3DMipmaps(GL_TEXTURE_3D, 4, nx, ny, nz, GL_ALPHA, GL_FLOAT,
                      LibraryInput(volume, nx, ny, nz).data());
    EXPECT_TRUE(ReadLevels(kAlpha8, &levels) == shownVolume);
    const std::vector<float> gradients = Gradients(volume, nx, ny, nz);
    gluBuild3DMipmaps(GL_TEXTURE_3D, 3, nx, ny, nz, GL_RGB, GL_FLOAT,
                      LibraryInput(gradients, nx, ny, nz).data());
    EXPECT_TRUE(ReadLevels(kRgb8, &levels) == shownGradients);
  }
  // A volume our chain declines still reaches its texture, through the library.
  std::vector<float> wide = Noise(400 * 8 * 8, 7);
  gRenderer.SetData(wide.data(), 400, 8, 8);
  GLint width = 0;
  glBindTexture(GL_TEXTURE_3D, gRenderer.volumeTexture);
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 512);
  gRenderer.SetData(nullptr, 0, 0, 0);
}

}  // namespace
