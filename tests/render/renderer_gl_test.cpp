// The renderer against a real GL context: uploads, ownership and the state
// Draw leaves for the overlay.
#include <GL/gl.h>
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "glux/glux_multitexture.h"
#include "render/vol_render.h"
#include "tests/support/gl_window.h"

namespace {
const void* gLastArrayReleased = nullptr;  // to check SetData's ownership rules
}  // namespace

void* operator new[](std::size_t size) {
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete[](void* p) noexcept {
  gLastArrayReleased = p;
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }

namespace {

constexpr int kSide = 8;
constexpr int kVoxels = kSide * kSide * kSide;

class RendererGl : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    OpenGlWindow("renderer test", 500, 500);
    gRenderer.Init();
    glMatrixMode(GL_PROJECTION);
    gluPerspective(60.0, 1.0, 1.0, 400.0);
    glMatrixMode(GL_MODELVIEW);
  }

  void SetUp() override {
    gRenderer.angleZ = gRenderer.angleX = 0.0f;
    gRenderer.extraClipEnabled = false;
  }
  void TearDown() override { gRenderer.SetData(nullptr, 0, 0, 0); }

  static GLint Integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
  }

  static void DrawFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gRenderer.Draw();
  }

  static std::vector<float> Texels3D(GLuint texture, GLenum format, int count) {
    std::vector<float> texels(static_cast<size_t>(count));
    glBindTexture(GL_TEXTURE_3D, texture);
    glGetTexImage(GL_TEXTURE_3D, 0, format, GL_FLOAT, texels.data());
    return texels;
  }

  static void ExpectClipPlane(GLenum plane, double a, double b, double c, double d) {
    GLdouble eq[4];
    glGetClipPlane(plane, eq);  // eye space, as the modelview stood when set
    SCOPED_TRACE(plane - GL_CLIP_PLANE0);
    EXPECT_NEAR(eq[0], a, 1e-5);
    EXPECT_NEAR(eq[1], b, 1e-5);
    EXPECT_NEAR(eq[2], c, 1e-5);
    EXPECT_NEAR(eq[3], d, 1e-3);
  }
};

TEST_F(RendererGl, InitLeavesTheTransferTableOnUnitZero) {
  EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
  EXPECT_EQ(static_cast<GLuint>(Integer(GL_TEXTURE_BINDING_2D)), gRenderer.transferTexture);
  std::vector<float> table(4 * 256);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, table.data());
  EXPECT_NEAR(table[0], 1.0f, 1e-2);
  EXPECT_EQ(table[4 * 16 + 0], 0.0f);  // negative values clamp to 0
  EXPECT_NEAR(table[4 * 16 + 2], 0.389418f, 1e-2);
  EXPECT_NEAR(table[4 * 255 + 3], 1.0f, 1e-2);
}

TEST_F(RendererGl, VolumeUploadsKeepTheirComponents) {
  std::vector<float> volume(kVoxels);
  for (int i = 0; i < kVoxels; ++i) volume[i] = static_cast<float>(i % 200) / 200.0f;
  volume[5] = 2.0f;  // out of range: clamped on upload
  gRenderer.SetData(volume.data(), kSide, kSide, kSide);
  std::vector<float> texels = Texels3D(gRenderer.volumeTexture, GL_RGBA, 4 * kVoxels);
  for (int i = 0; i < kVoxels; ++i) {
    ASSERT_EQ(texels[4 * i] + texels[4 * i + 1] + texels[4 * i + 2], 0.0f) << i;
    ASSERT_NEAR(texels[4 * i + 3], std::fmin(volume[i], 1.0f), 1.0 / 255) << i;
  }
  EXPECT_EQ(Integer(GL_TEXTURE_BINDING_3D), static_cast<GLint>(gRenderer.volumeTexture));
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, &wrap);
  EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);

  // As a four-channel raw load leaves it: owned, RGBA per voxel.
  float* rgba = new float[4 * kVoxels];
  for (int i = 0; i < 4 * kVoxels; ++i) rgba[i] = static_cast<float>(i % 4) * 0.25f + 0.1f;
  gRenderer.data = rgba;
  gRenderer.ownsData = true;
  gRenderer.channels = 4;
  gRenderer.UploadVolume();
  texels = Texels3D(gRenderer.volumeTexture, GL_RGBA, 4 * kVoxels);
  for (int i = 0; i < 4 * kVoxels; ++i) ASSERT_NEAR(texels[i], rgba[i], 1.0 / 255) << i;
}

TEST_F(RendererGl, GradientsFollowEachNewVolume) {
  std::vector<float> volume(kVoxels, 0.7f);
  gRenderer.SetData(volume.data(), kSide, kSide, kSide);
  gRenderer.BuildGradients();
  std::vector<float> texels = Texels3D(gRenderer.gradientTexture, GL_RGB, 3 * kVoxels);
  for (int i = 0; i < kVoxels; ++i) {
    const int x = i % kSide, y = i / kSide % kSide, z = i / (kSide * kSide);
    const bool border = x % (kSide - 1) == 0 || y % (kSide - 1) == 0 || z % (kSide - 1) == 0;
    for (int c = 0; c < 3; ++c) ASSERT_NEAR(texels[3 * i + c], border ? 0.0f : 0.5f, 1.0 / 255);
  }
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_CLAMP);

  // The fluid's next frame: same size, new values.
  for (int i = 0; i < kVoxels; ++i) volume[i] = static_cast<float>(i % kSide) / 255.0f;
  gRenderer.SetData(volume.data(), kSide, kSide, kSide);
  gRenderer.BuildGradients();
  const int at = 3 * (3 + kSide * (3 + kSide * 3));
  texels = Texels3D(gRenderer.gradientTexture, GL_RGB, 3 * kVoxels);
  EXPECT_NEAR(texels[at], (4.0 / 255 + 1) * 0.5, 1.0 / 255);  // step 2 at x = 3

  // A larger volume needs a larger buffer: its last voxel is written.
  std::vector<float> larger(16 * 16 * 16, 0.2f);
  gRenderer.SetData(larger.data(), 16, 16, 16);
  gRenderer.BuildGradients();
  EXPECT_EQ(gRenderer.gradientData[3 * (14 + 16 * (14 + 16 * 14)) + 2], 0.5f);
  EXPECT_EQ(gRenderer.gradientData[3 * 16 * 16 * 16 - 1], 0.0f);

  gRenderer.SetData(nullptr, 0, 0, 0);
  gRenderer.BuildGradients();  // no volume: nothing to build, nothing kept
  EXPECT_EQ(gRenderer.gradientData, nullptr);
}

TEST_F(RendererGl, GradientBufferThatCannotBeHadIsSkipped) {
  std::vector<float> volume(kVoxels, 0.7f);
  gRenderer.SetData(volume.data(), kSide, kSide, kSide);
  // Sizes no buffer can hold: one whose count overflows, one of 5 PB.
  for (const int32_t depth : {1 << 21, 100}) {
    gRenderer.sizeX = gRenderer.sizeY = 1 << 21;
    gRenderer.sizeZ = depth;
    gRenderer.BuildGradients();
    EXPECT_EQ(gRenderer.gradientData, nullptr) << depth;
  }
}

TEST_F(RendererGl, SetDataReleasesOnlyAnOwnedBufferItReplaces) {
  std::vector<float> borrowed(kVoxels, 0.25f);
  gRenderer.SetData(borrowed.data(), kSide, kSide, kSide);
  gLastArrayReleased = nullptr;
  gRenderer.SetData(borrowed.data(), kSide, kSide, kSide);  // every fluid frame
  EXPECT_EQ(gLastArrayReleased, nullptr);

  float* loaded = new float[kVoxels]();  // as after a raw-file load
  gRenderer.data = loaded;
  gRenderer.ownsData = true;
  gRenderer.SetData(loaded, kSide, kSide, kSide);  // handed back: kept, still ours
  EXPECT_EQ(gLastArrayReleased, nullptr);
  EXPECT_TRUE(gRenderer.ownsData);
  gRenderer.SetData(borrowed.data(), kSide, kSide, kSide);
  EXPECT_EQ(gLastArrayReleased, loaded);
  EXPECT_FALSE(gRenderer.ownsData);
  EXPECT_EQ(gRenderer.channels, 1);
}

TEST_F(RendererGl, DrawRestoresStateForTheOverlay) {
  std::vector<float> volume(kVoxels, 0.5f);
  gRenderer.SetData(volume.data(), kSide, kSide, kSide);
  gRenderer.BuildGradients();
  glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
  glDisable(GL_BLEND);
  gRenderer.angleZ = 30.0f;
  gRenderer.angleX = 20.0f;
  DrawFrame();

  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  for (GLenum plane = GL_CLIP_PLANE0; plane <= GL_CLIP_PLANE5; ++plane)
    EXPECT_FALSE(glIsEnabled(plane)) << plane - GL_CLIP_PLANE0;
  EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
  EXPECT_EQ(static_cast<GLuint>(Integer(GL_TEXTURE_BINDING_3D)), gRenderer.volumeTexture);
  for (GLenum unit : {GL_TEXTURE2_ARB, GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}) {
    glActiveTextureARB(unit);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_TEXTURE_3D)) << unit;
  }
  EXPECT_EQ(static_cast<GLuint>(Integer(GL_TEXTURE_BINDING_2D)), gRenderer.transferTexture);
  EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : (i == 14 ? -250.0f : 0.0f));
  glGetFloatv(GL_TEXTURE_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(Integer(GL_BLEND_SRC), GL_SRC_ALPHA);
  EXPECT_EQ(Integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  for (float c : colour) EXPECT_EQ(c, 1.0f);
}

TEST_F(RendererGl, ClipPlanesFollowTheRotationExceptTheExtraOne) {
  const double d = 90.0 - 100.0 / 128;
  gRenderer.SetData(nullptr, 128, 128, 128);
  DrawFrame();
  // The translation by -250 shifts the z planes' constants in eye space.
  ExpectClipPlane(GL_CLIP_PLANE0, -1, 0, 0, d);
  ExpectClipPlane(GL_CLIP_PLANE1, 1, 0, 0, d);
  ExpectClipPlane(GL_CLIP_PLANE2, 0, -1, 0, d);
  ExpectClipPlane(GL_CLIP_PLANE3, 0, 1, 0, d);
  ExpectClipPlane(GL_CLIP_PLANE4, 0, 0, -1, d - 250);
  ExpectClipPlane(GL_CLIP_PLANE5, 0, 0, 1, d + 250);

  // About z by 90, then about -x by 90: the x face turns to -y and the far
  // z face to +x (the other order would give -y).
  gRenderer.angleZ = gRenderer.angleX = 90.0f;
  gRenderer.extraClipEnabled = true;
  gRenderer.clipDistance = 6;
  DrawFrame();
  ExpectClipPlane(GL_CLIP_PLANE0, 0, -1, 0, d);
  ExpectClipPlane(GL_CLIP_PLANE4, 1, 0, 0, d);
  ExpectClipPlane(GL_CLIP_PLANE5, 0, -0.5, -2, 6 - 500);  // unrotated, translated
}

TEST_F(RendererGl, EmptyStackDrawsNothing) {
  std::vector<float> volume(kVoxels, 1.0f);
  gRenderer.SetData(volume.data(), kSide, kSide, kSide);
  gRenderer.BuildGradients();
  glClearColor(0.0f, 0.0f, 0.2f, 0.0f);
  unsigned char pixel[4];
  DrawFrame();
  glReadPixels(250, 250, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_TRUE(pixel[0] != 0 || pixel[1] != 0 || pixel[2] != 51);

  const int32_t saved = gRenderer.sliceCount;
  gRenderer.sliceCount = 0;
  gRenderer.BuildSlices();
  DrawFrame();
  glReadPixels(250, 250, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0] + pixel[1], 0);
  EXPECT_EQ(pixel[2], 51);
  gRenderer.sliceCount = saved;
  gRenderer.BuildSlices();
}

}  // namespace
