// The renderer against a real GL context: uploads, ownership and the state
// Draw leaves for the overlay.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
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
  void TearDown() override { gRenderer.SetData(nullptr, 0, 0, 0); }

  static GLint Integer(GLenum name) {
    GLint value = 0;
    return glGetIntegerv(name, &value), value;
  }
};

TEST_F(RendererGl, UploadsKeepTheirComponentsAndSetDataReleasesOnlyAnOwnedBuffer) {
  std::vector<float> borrowed(kVoxels);
  for (int i = 0; i < kVoxels; ++i) borrowed[i] = i == 5 ? 2.0f : (i % 200) / 200.0f;  // 2: clamped
  gRenderer.SetData(borrowed.data(), kSide, kSide, kSide);
  std::vector<float> texels(4 * kVoxels);
  glGetTexImage(GL_TEXTURE_3D, 0, GL_RGBA, GL_FLOAT, texels.data());
  for (int i = 0; i < kVoxels; ++i) {
    ASSERT_EQ(texels[4 * i] + texels[4 * i + 1] + texels[4 * i + 2], 0.0f) << i;
    ASSERT_NEAR(texels[4 * i + 3], std::fmin(borrowed[i], 1.0f), 1.0 / 255) << i;
  }
  gLastArrayReleased = nullptr;
  gRenderer.SetData(borrowed.data(), kSide, kSide, kSide);  // every fluid frame
  EXPECT_EQ(gLastArrayReleased, nullptr);

  // As a four-channel raw load leaves it: owned, RGBA per voxel.
  float* loaded = new float[4 * kVoxels]();
  gRenderer.data = loaded;
  gRenderer.ownsData = true;
  gRenderer.channels = 4;
  gRenderer.SetData(loaded, kSide, kSide, kSide);  // handed back: kept, still ours
  EXPECT_EQ(gLastArrayReleased, nullptr);
  EXPECT_TRUE(gRenderer.ownsData);
  gRenderer.SetData(borrowed.data(), kSide, kSide, kSide);
  EXPECT_EQ(gLastArrayReleased, loaded);
  EXPECT_FALSE(gRenderer.ownsData);
  EXPECT_EQ(gRenderer.channels, 1);
}

TEST_F(RendererGl, DrawRestoresStateForTheOverlay) {
  std::vector<float> volume(kVoxels, 1.0f);
  gRenderer.SetData(volume.data(), kSide, kSide, kSide);
  gRenderer.BuildGradients();
  glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
  glDisable(GL_BLEND);
  gRenderer.angleZ = 30.0f;
  gRenderer.angleX = 20.0f;
  gRenderer.Draw();

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

}  // namespace
