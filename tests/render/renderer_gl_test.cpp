// The renderer against a real GL context: uploads, ownership and the state
// Draw leaves for the overlay.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <new>
#include <vector>

#include "glux/glux_multitexture.h"
#include "render/vol_render.h"
#include "tests/support/gl_window.h"

static const void* gLastArrayReleased = nullptr;  // to check SetData's ownership rules

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
    return glGetIntegerv(name, &value), value;
  }
  static void DrawFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gRenderer.Draw();
  }
  static std::vector<float> VolumeTexels() {
    std::vector<float> texels(4 * kVoxels);
    glBindTexture(GL_TEXTURE_3D, gRenderer.volumeTexture);
    glGetTexImage(GL_TEXTURE_3D, 0, GL_RGBA, GL_FLOAT, texels.data());
    return texels;
  }
  // Planes as {index, a, b, c, d} in eye space, as the modelview stood when set.
  static void ExpectClipPlanes(std::initializer_list<std::array<double, 5>> planes) {
    for (const auto& p : planes) {
      GLdouble eq[4];
      glGetClipPlane(GL_CLIP_PLANE0 + static_cast<GLenum>(p[0]), eq);
      for (int i = 0; i < 4; ++i) EXPECT_NEAR(eq[i], p[i + 1], i < 3 ? 1e-5 : 1e-3) << p[0];
    }
  }
};

TEST_F(RendererGl, UploadsKeepTheirComponentsAndSetDataReleasesOnlyAnOwnedBuffer) {
  std::vector<float> borrowed(kVoxels);
  for (int i = 0; i < kVoxels; ++i) borrowed[i] = i == 5 ? 2.0f : (i % 200) / 200.0f;  // 2: clamped
  gRenderer.SetData(borrowed.data(), kSide, kSide, kSide);
  std::vector<float> texels = VolumeTexels();
  for (int i = 0; i < kVoxels; ++i) {
    ASSERT_EQ(texels[4 * i] + texels[4 * i + 1] + texels[4 * i + 2], 0.0f) << i;
    ASSERT_NEAR(texels[4 * i + 3], std::fmin(borrowed[i], 1.0f), 1.0 / 255) << i;
  }
  gLastArrayReleased = nullptr;
  gRenderer.SetData(borrowed.data(), kSide, kSide, kSide);  // every fluid frame
  EXPECT_EQ(gLastArrayReleased, nullptr);

  // As a four-channel raw load leaves it: owned, RGBA per voxel.
  float* loaded = new float[4 * kVoxels];
  for (int i = 0; i < 4 * kVoxels; ++i) loaded[i] = static_cast<float>(i % 4) * 0.25f + 0.1f;
  gRenderer.data = loaded;
  gRenderer.ownsData = true;
  gRenderer.channels = 4;
  gRenderer.UploadVolume();
  texels = VolumeTexels();
  for (int i = 0; i < 4 * kVoxels; ++i) ASSERT_NEAR(texels[i], loaded[i], 1.0 / 255) << i;
  gRenderer.SetData(loaded, kSide, kSide, kSide);  // handed back: kept, still ours
  EXPECT_EQ(gLastArrayReleased, nullptr);
  EXPECT_TRUE(gRenderer.ownsData);
  gRenderer.SetData(borrowed.data(), kSide, kSide, kSide);
  EXPECT_EQ(gLastArrayReleased, loaded);
  EXPECT_FALSE(gRenderer.ownsData);
  EXPECT_EQ(gRenderer.channels, 1);
}

TEST_F(RendererGl, GradientBufferFollowsTheVolumeSize) {
  std::vector<float> volume(kVoxels, 0.7f), larger(16 * 16 * 16, 0.2f);
  gRenderer.SetData(volume.data(), kSide, kSide, kSide);
  gRenderer.BuildGradients();
  gRenderer.SetData(larger.data(), 16, 16, 16);  // needs a larger buffer: its last voxel is written
  gRenderer.BuildGradients();
  EXPECT_EQ(gRenderer.gradientData[3 * (14 + 16 * (14 + 16 * 14)) + 2], 0.5f);
  EXPECT_EQ(gRenderer.gradientData[3 * 16 * 16 * 16 - 1], 0.0f);
  // Sizes no buffer can hold (a count that overflows, 5 PB) are skipped; so is no volume.
  for (const int32_t depth : {1 << 21, 100}) {
    gRenderer.sizeX = gRenderer.sizeY = 1 << 21;
    gRenderer.sizeZ = depth;
    gRenderer.BuildGradients();
    EXPECT_EQ(gRenderer.gradientData, nullptr) << depth;
  }
  gRenderer.SetData(nullptr, 0, 0, 0);
  gRenderer.BuildGradients();
  EXPECT_EQ(gRenderer.gradientData, nullptr);
}

TEST_F(RendererGl, DrawRestoresStateForTheOverlay) {
  std::vector<float> volume(kVoxels, 1.0f);
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
  const std::pair<GLenum, GLint> state[] = {
      {GL_ACTIVE_TEXTURE_ARB, GL_TEXTURE0_ARB}, {GL_MATRIX_MODE, GL_MODELVIEW},
      {GL_TEXTURE_BINDING_3D, static_cast<GLint>(gRenderer.volumeTexture)}, {GL_BLEND, GL_TRUE},
      {GL_BLEND_SRC, GL_SRC_ALPHA}, {GL_BLEND_DST, GL_ONE_MINUS_SRC_ALPHA}};
  for (const auto& entry : state) EXPECT_EQ(Integer(entry.first), entry.second) << entry.first;
  for (GLenum unit : {GL_TEXTURE2_ARB, GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}) {
    glActiveTextureARB(unit);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_TEXTURE_3D)) << unit;
  }
  EXPECT_EQ(static_cast<GLuint>(Integer(GL_TEXTURE_BINDING_2D)), gRenderer.transferTexture);
  std::vector<float> table(4 * 256);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, table.data());
  EXPECT_EQ(table[4 * 16 + 0], 0.0f);  // the initial table's negative values clamp to 0
  EXPECT_NEAR(table[4 * 16 + 2], 0.389418f, 1e-2);
  GLfloat m[16], t[16], colour[4];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  glGetFloatv(GL_TEXTURE_MATRIX, t);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(m[i], i % 5 == 0 ? 1.0f : (i == 14 ? -250.0f : 0.0f)) << i;
    EXPECT_EQ(t[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
  }
  for (float c : colour) EXPECT_EQ(c, 1.0f);
}

TEST_F(RendererGl, ClipPlanesFollowTheRotationExceptTheExtraOne) {
  const double d = 90.0 - 100.0 / 128;
  gRenderer.SetData(nullptr, 128, 128, 128);
  DrawFrame();
  // The translation by -250 shifts the z planes' constants in eye space.
  ExpectClipPlanes({{0, -1, 0, 0, d}, {1, 1, 0, 0, d}, {2, 0, -1, 0, d}, {3, 0, 1, 0, d},
                    {4, 0, 0, -1, d - 250}, {5, 0, 0, 1, d + 250}});
  // About z by 90, then about -x by 90: the x face turns to -y and the far
  // z face to +x (the other order would give -y).
  gRenderer.angleZ = gRenderer.angleX = 90.0f;
  gRenderer.extraClipEnabled = true;
  gRenderer.clipDistance = 6;
  DrawFrame();
  // The extra plane replaces plane 5: unrotated, only translated.
  ExpectClipPlanes({{0, 0, -1, 0, d}, {4, 1, 0, 0, d}, {5, 0, -0.5, -2, 6 - 500}});
}

}  // namespace
