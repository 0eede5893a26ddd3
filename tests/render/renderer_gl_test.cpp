// The renderer against a real GL context: uploads, ownership, the slice list
// and the state the slices are drawn in.
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>
#include <vector>

#include "glux/glux_multitexture.h"
#include "render/gradients.h"
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

static std::function<void()> gWhileDrawing;  // runs when Draw calls the slice list

extern "C" void glCallList(GLuint list) {
  if (gWhileDrawing) gWhileDrawing();
  static const auto real = reinterpret_cast<void (*)(GLuint)>(dlsym(RTLD_NEXT, "glCallList"));
  real(list);
}

namespace {

using Bytes = std::vector<unsigned char>;
using Matrix = std::array<double, 16>;  // column-major, as GL keeps it

Matrix operator*(const Matrix& a, const Matrix& b) {
  Matrix m{};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) m[4 * c + r] += a[4 * k + r] * b[4 * c + k];
  return m;
}
Matrix Move(double x, double y, double z) {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
}
// Counter-clockwise about a unit axis, seen from its tip.
Matrix Turn(double degrees, double x, double y, double z) {
  const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a), k[3] = {x, y, z};
  const double cross[3][3] = {{0, -z, y}, {z, 0, -x}, {-y, x, 0}};
  Matrix m = Move(0, 0, 0);
  for (int i = 0; i < 9; ++i)
    m[i % 3 * 4 + i / 3] =
        (i % 4 == 0) * c + s * cross[i / 3][i % 3] + (1 - c) * k[i / 3] * k[i % 3];
  return m;
}
// Plane (a, b, c, d) given under the rigid modelview m, in eye coordinates.
std::array<double, 4> EyePlane(const Matrix& m, const double (&p)[4]) {
  std::array<double, 4> e{0, 0, 0, p[3]};
  for (int r = 0; r < 3; ++r) e[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2];
  for (int r = 0; r < 3; ++r) e[3] -= e[r] * m[12 + r];
  return e;
}

Bytes Level0(GLuint texture, GLenum format, size_t components) {
  glBindTexture(GL_TEXTURE_3D, texture);
  GLint w = 0, h = 0, d = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH, &d);
  Bytes bytes(components * w * h * d);
  glGetTexImage(GL_TEXTURE_3D, 0, format, GL_UNSIGNED_BYTE, bytes.data());
  return bytes;
}

class RendererGl : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    OpenGlWindow("renderer test", 500, 500);
    gRenderer.Init();
  }
  void TearDown() override { gRenderer.SetData(nullptr, 0, 0, 0); }
};

TEST_F(RendererGl, SetDataReleasesOnlyAnOwnedBufferAndEveryUploadPathClamps) {
  // 12 per side is rescaled to 16; an unpack alignment of 8 leaves that to the library.
  std::vector<float> borrowed(12 * 12 * 12);
  for (size_t i = 0; i < borrowed.size(); ++i)
    borrowed[i] = i % 5 ? (i * 7 % 31) / 10.0f - 0.5f : NAN;
  Bytes volume[2], gradients[2];
  for (int path = 0; path < 2; ++path) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4 << path);
    gRenderer.SetData(borrowed.data(), 12, 12, 12);
    gRenderer.BuildGradients();
    volume[path] = Level0(gRenderer.volumeTexture, GL_RGBA, 4);
    gradients[path] = Level0(gRenderer.gradientTexture, GL_RGB, 3);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  EXPECT_TRUE(volume[0] == volume[1] && gradients[0] == gradients[1]);
  for (size_t i = 0; i < volume[0].size(); i += 4) ASSERT_EQ(volume[0][i] + volume[0][i + 2], 0);

  // As a four-channel raw load leaves it: owned, RGBA per voxel.
  float* loaded = new float[4 * 8 * 8 * 8]();
  gRenderer.data = loaded;
  gRenderer.ownsData = true;
  gRenderer.channels = 4;
  gLastArrayReleased = nullptr;
  gRenderer.SetData(loaded, 8, 8, 8);  // handed back: kept, still ours
  EXPECT_TRUE(gLastArrayReleased == nullptr && gRenderer.ownsData);
  gRenderer.SetData(borrowed.data(), 12, 12, 12);
  EXPECT_TRUE(gLastArrayReleased == loaded && !gRenderer.ownsData && gRenderer.channels == 1);
}

TEST_F(RendererGl, GradientsFollowTheDataFrameAfterFrame) {
  std::vector<float> v(16 * 8 * 8);
  const float* previous = nullptr;
  for (int frame = 0; frame < 3; ++frame) {
    const int32_t nz = frame < 2 ? 8 : 4;  // the first two frames share one buffer
    for (size_t i = 0; i < v.size(); ++i) v[i] = (i * (frame + 3) % 17) / 16.0f;
    gRenderer.SetData(v.data(), 16, 8, nz);
    gRenderer.BuildGradients();
    EXPECT_TRUE(frame != 1 || gRenderer.gradientData == previous);
    previous = gRenderer.gradientData;
    std::vector<float> want(3 * 16 * 8 * nz);
    ComputeGradients(v.data(), 16, 8, nz, want.data());
    const Bytes got = Level0(gRenderer.gradientTexture, GL_RGB, 3);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) ASSERT_NEAR(got[i], want[i] * 255, 0.51) << frame;
  }
}

TEST_F(RendererGl, TheSliceListHoldsWholeQuadsBackToFront) {
  gRenderer.SetData(nullptr, 8, 8, 32);
  gRenderer.sliceCount = 3;
  gRenderer.BuildSlices();
  // Model coordinates come back through a 200-pixel viewport as model + 100.
  glViewport(0, 0, 200, 200);
  glLoadIdentity();
  glScaled(0.01, 0.01, 0.01);
  std::vector<GLfloat> feedback(2048);
  glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D_COLOR_TEXTURE, feedback.data());
  glRenderMode(GL_FEEDBACK);
  glCallList(gRenderer.sliceList);
  const GLint used = glRenderMode(GL_RENDER);
  glViewport(0, 0, 500, 500);
  gRenderer.sliceCount = 200;
  gRenderer.BuildSlices();

  const double h = 100.0 / 32, spacing = (200 - 2 * h) / 2;
  std::vector<long> order;
  int corners[3] = {0, 0, 0};
  for (GLint i = 0; i < used;) {
    ASSERT_EQ(feedback[i], GL_POLYGON_TOKEN);
    const int count = static_cast<int>(feedback[i + 1]);
    i += 2;
    for (int k = 0; k < count; ++k, i += 11) {  // x y z, colour, s t r q
      const GLfloat* v = &feedback[i];
      const double z = (2 * v[2] - 1) * 100;
      const long slice = std::lround((z + 100 - h) / spacing);
      ASSERT_TRUE(slice >= 0 && slice < 3) << z;
      EXPECT_NEAR(z, h + spacing * slice - 100, 0.01);
      EXPECT_NEAR(v[9], 1 - slice / 3.0, 1e-6);  // r steps by 1/N
      EXPECT_TRUE((v[7] == 0 || v[7] == 1) && (v[8] == 0 || v[8] == 1));
      EXPECT_NEAR(v[0], 200 * v[7], 1e-3);
      EXPECT_NEAR(v[1], 200 * v[8], 1e-3);
      corners[slice] |= 1 << static_cast<int>(v[7] + 2 * v[8]);
      if (order.empty() || order.back() != slice) order.push_back(slice);
    }
  }
  EXPECT_EQ(order, (std::vector<long>{0, 1, 2}));
  EXPECT_TRUE(corners[0] == 15 && corners[1] == 15 && corners[2] == 15);
}

TEST_F(RendererGl, DrawSetsPlanesMatrixAndTexturesAndRestoresStateForTheOverlay) {
  std::vector<float> volume(16 * 8 * 32, 1.0f);
  gRenderer.SetData(volume.data(), 16, 8, 32);
  gRenderer.BuildGradients();
  gRenderer.angleZ = 30.0f;
  gRenderer.angleX = 20.0f;
  gRenderer.clipDistance = 10;
  const Matrix moved = Move(0, 0, -250), turned = moved * Turn(30, 0, 0, 1) * Turn(20, -1, 0, 0);
  const Matrix texture =
      Move(0.5, 0.5, 0.5) * Turn(20, -1, 0, 0) * Turn(30, 0, 0, -1) * Move(-0.5, -0.5, -0.5);
  const double box[6][4] = {{-1, 0, 0, 90 - 100 / 16.0}, {1, 0, 0, 90 - 100 / 16.0},
                            {0, -1, 0, 90 - 100 / 8.0},  {0, 1, 0, 90 - 100 / 8.0},
                            {0, 0, -1, 90 - 100 / 32.0}, {0, 0, 1, 90 - 100 / 32.0}};
  const double extra[4] = {0, -0.5, -2, 10};
  // Per unit: texture, target, wrap and filter.
  const GLint units[3][4] = {
      {static_cast<GLint>(gRenderer.volumeTexture), GL_TEXTURE_3D, GL_CLAMP_TO_EDGE, GL_LINEAR},
      {static_cast<GLint>(gRenderer.gradientTexture), GL_TEXTURE_3D, GL_CLAMP, GL_LINEAR},
      {static_cast<GLint>(gRenderer.transferTexture), GL_TEXTURE_2D, GL_REPEAT, GL_NEAREST}};
  for (const bool extraClip : {false, true}) {
    SCOPED_TRACE(extraClip);
    gRenderer.extraClipEnabled = extraClip;
    glLoadIdentity();
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    glDisable(GL_BLEND);
    int calls = 0;
    gWhileDrawing = [&] {
      ++calls;
      GLdouble got[16];
      glGetDoublev(GL_TEXTURE_MATRIX, got);  // of the active unit, which must be 0
      for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], texture[i], 1e-6) << i;
      for (int i = 0; i < 6; ++i) {
        const auto want = i == 5 && extraClip ? EyePlane(moved, extra) : EyePlane(turned, box[i]);
        glGetClipPlane(GL_CLIP_PLANE0 + i, got);
        EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0 + i)) << i;
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(got[k], want[k], 1e-4) << i << "," << k;
      }
      for (int u = 2; u >= 0; --u) {
        glActiveTextureARB(GL_TEXTURE0_ARB + u);
        const GLenum target = units[u][1],
                     other = target == GL_TEXTURE_2D ? GL_TEXTURE_3D : GL_TEXTURE_2D;
        EXPECT_TRUE(glIsEnabled(target) && !glIsEnabled(other)) << u;
        const GLenum binding =
            target == GL_TEXTURE_2D ? GL_TEXTURE_BINDING_2D : GL_TEXTURE_BINDING_3D;
        const GLenum names[6] = {binding,           GL_TEXTURE_WRAP_S,     GL_TEXTURE_WRAP_T,
                                 GL_TEXTURE_WRAP_R, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER};
        for (int p = 0; p < 6; ++p) {
          GLint value = 0;
          p == 0 ? glGetIntegerv(names[0], &value) : glGetTexParameteriv(target, names[p], &value);
          EXPECT_EQ(value, units[u][p == 0 ? 0 : p < 4 ? 2 : 3]) << u << "," << p;
        }
      }
    };
    gRenderer.Draw();
    gWhileDrawing = nullptr;
    EXPECT_EQ(calls, 1);

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLint state[][2] = {{GL_ACTIVE_TEXTURE_ARB, GL_TEXTURE0_ARB},
                              {GL_MATRIX_MODE, GL_MODELVIEW},
                              {GL_TEXTURE_BINDING_3D, units[0][0]},
                              {GL_TEXTURE_BINDING_2D, units[2][0]},
                              {GL_BLEND, GL_TRUE},
                              {GL_BLEND_SRC, GL_SRC_ALPHA},
                              {GL_BLEND_DST, GL_ONE_MINUS_SRC_ALPHA}};
    for (const auto& entry : state) {
      GLint value = 0;
      glGetIntegerv(entry[0], &value);
      EXPECT_EQ(value, entry[1]) << entry[0];
    }
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0 + i)) << i;
    for (GLenum unit : {GL_TEXTURE2_ARB, GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}) {
      glActiveTextureARB(unit);
      EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_TEXTURE_3D)) << unit;
    }
    GLdouble m[16], t[16], colour[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    glGetDoublev(GL_TEXTURE_MATRIX, t);
    glGetDoublev(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(m[i] == moved[i] && t[i] == (i % 5 == 0)) << i;
    EXPECT_TRUE(colour[0] == 1 && colour[1] == 1 && colour[2] == 1 && colour[3] == 1);
  }
}

}  // namespace
