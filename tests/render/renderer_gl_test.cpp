// The renderer against a real GL context: uploads, ownership, the slice list
// and the state the slices are drawn in.
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
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

namespace {

// What is in force when Draw calls the slice list.
struct Seen {
  GLint activeUnit;
  GLdouble textureMatrix[16];
  GLdouble planes[6][4];
  GLboolean planeOn[6];
  struct {
    GLboolean on2D, on3D;
    GLint bound2D, bound3D, params[5];  // wrap S, T, R, min and mag filter of the drawn target
  } units[3];
};
Seen* gSeen = nullptr;

void Capture(Seen& s) {
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &s.activeUnit);
  glGetDoublev(GL_TEXTURE_MATRIX, s.textureMatrix);
  for (int i = 0; i < 6; ++i) {
    glGetClipPlane(GL_CLIP_PLANE0 + i, s.planes[i]);
    s.planeOn[i] = glIsEnabled(GL_CLIP_PLANE0 + i);
  }
  const GLenum params[5] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R,
                            GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER};
  for (int u = 0; u < 3; ++u) {
    glActiveTextureARB(GL_TEXTURE0_ARB + u);
    auto& unit = s.units[u];
    unit.on2D = glIsEnabled(GL_TEXTURE_2D);
    unit.on3D = glIsEnabled(GL_TEXTURE_3D);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &unit.bound2D);
    glGetIntegerv(GL_TEXTURE_BINDING_3D, &unit.bound3D);
    for (int p = 0; p < 5; ++p)
      glGetTexParameteriv(u == 2 ? GL_TEXTURE_2D : GL_TEXTURE_3D, params[p], &unit.params[p]);
  }
  glActiveTextureARB(s.activeUnit);
}

}  // namespace

// Draw's own call of the list lands here first.
extern "C" void glCallList(GLuint list) {
  if (gSeen != nullptr) Capture(*gSeen);
  static const auto real = reinterpret_cast<void (*)(GLuint)>(dlsym(RTLD_NEXT, "glCallList"));
  real(list);
}

namespace {

using Bytes = std::vector<unsigned char>;
using Matrix = std::array<double, 16>;  // column-major, as GL keeps it

Matrix Product(const Matrix& a, const Matrix& b) {
  Matrix m{};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) m[4 * c + r] += a[4 * k + r] * b[4 * c + k];
  return m;
}
Matrix Translation(double x, double y, double z) {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
}
// Counter-clockwise about a unit axis, seen from its tip.
Matrix Rotation(double degrees, double x, double y, double z) {
  const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a), k[3] = {x, y, z};
  const double cross[3][3] = {{0, -z, y}, {z, 0, -x}, {-y, x, 0}};
  Matrix m = Translation(0, 0, 0);
  for (int r = 0; r < 3; ++r)
    for (int col = 0; col < 3; ++col)
      m[4 * col + r] = (r == col ? c : 0) + s * cross[r][col] + (1 - c) * k[r] * k[col];
  return m;
}
// Plane (a, b, c, d) given under the rigid modelview m, in eye coordinates.
std::array<double, 4> EyePlane(const Matrix& m, double a, double b, double c, double d) {
  std::array<double, 4> e{};
  for (int r = 0; r < 3; ++r) e[r] = m[r] * a + m[4 + r] * b + m[8 + r] * c;
  e[3] = d - (e[0] * m[12] + e[1] * m[13] + e[2] * m[14]);
  return e;
}

Bytes Level0(GLuint texture, GLenum format, int components) {
  glBindTexture(GL_TEXTURE_3D, texture);
  GLint w = 0, h = 0, d = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH, &d);
  Bytes bytes(static_cast<size_t>(components) * w * h * d);
  glGetTexImage(GL_TEXTURE_3D, 0, format, GL_UNSIGNED_BYTE, bytes.data());
  return bytes;
}

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
};

TEST_F(RendererGl, SetDataReleasesOnlyAnOwnedBufferAndEveryUploadPathClamps) {
  // 12 per side is rescaled to 16; an unpack alignment of 8 leaves that to the library.
  std::vector<float> borrowed(12 * 12 * 12);
  for (size_t i = 0; i < borrowed.size(); ++i)
    borrowed[i] = i % 5 ? (i * 7 % 31) / 10.0f - 0.5f : std::numeric_limits<float>::quiet_NaN();
  Bytes volume[2], gradients[2];
  for (int path = 0; path < 2; ++path) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4 << path);
    gRenderer.SetData(borrowed.data(), 12, 12, 12);
    gRenderer.BuildGradients();
    volume[path] = Level0(gRenderer.volumeTexture, GL_RGBA, 4);
    gradients[path] = Level0(gRenderer.gradientTexture, GL_RGB, 3);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  EXPECT_TRUE(volume[0] == volume[1]);
  EXPECT_TRUE(gradients[0] == gradients[1]);
  for (size_t i = 0; i < volume[0].size(); i += 4) ASSERT_EQ(volume[0][i] + volume[0][i + 2], 0);

  // As a four-channel raw load leaves it: owned, RGBA per voxel.
  float* loaded = new float[4 * 8 * 8 * 8]();
  gRenderer.data = loaded;
  gRenderer.ownsData = true;
  gRenderer.channels = 4;
  gLastArrayReleased = nullptr;
  gRenderer.SetData(loaded, 8, 8, 8);  // handed back: kept, still ours
  EXPECT_EQ(gLastArrayReleased, nullptr);
  EXPECT_TRUE(gRenderer.ownsData);
  gRenderer.SetData(borrowed.data(), 12, 12, 12);
  EXPECT_EQ(gLastArrayReleased, loaded);
  EXPECT_FALSE(gRenderer.ownsData);
  EXPECT_EQ(gRenderer.channels, 1);
}

TEST_F(RendererGl, GradientsFollowTheDataFrameAfterFrame) {
  std::vector<float> v(16 * 8 * 8);
  const float* previous = nullptr;
  for (int frame = 0; frame < 3; ++frame) {
    const int32_t nz = frame < 2 ? 8 : 4;
    for (size_t i = 0; i < v.size(); ++i) v[i] = (i * (frame + 3) % 17) / 16.0f;
    gRenderer.SetData(v.data(), 16, 8, nz);
    gRenderer.BuildGradients();
    if (frame == 1) {
      EXPECT_EQ(gRenderer.gradientData, previous);  // same size: reused
    }
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
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScaled(0.01, 0.01, 0.01);
  std::vector<GLfloat> feedback(2048);
  glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D_COLOR_TEXTURE, feedback.data());
  glRenderMode(GL_FEEDBACK);
  glCallList(gRenderer.sliceList);
  const GLint used = glRenderMode(GL_RENDER);
  glViewport(0, 0, 500, 500);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
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
      EXPECT_NEAR(v[0] - 100, 200 * v[7] - 100, 1e-3);
      EXPECT_NEAR(v[1] - 100, 200 * v[8] - 100, 1e-3);
      corners[slice] |= 1 << static_cast<int>(v[7] + 2 * v[8]);
      if (order.empty() || order.back() != slice) order.push_back(slice);
    }
  }
  EXPECT_EQ(order, (std::vector<long>{0, 1, 2}));
  for (int c : corners) EXPECT_EQ(c, 15);
}

TEST_F(RendererGl, DrawSetsPlanesMatrixAndTexturesAndRestoresStateForTheOverlay) {
  std::vector<float> volume(16 * 8 * 32, 1.0f);
  gRenderer.SetData(volume.data(), 16, 8, 32);
  gRenderer.BuildGradients();
  gRenderer.angleZ = 30.0f;
  gRenderer.angleX = 20.0f;
  gRenderer.clipDistance = 10;
  const Matrix translated = Translation(0, 0, -250);
  const Matrix turned =
      Product(Product(translated, Rotation(30, 0, 0, 1)), Rotation(20, -1, 0, 0));
  const Matrix texture = Product(
      Product(Product(Translation(0.5, 0.5, 0.5), Rotation(20, -1, 0, 0)), Rotation(30, 0, 0, -1)),
      Translation(-0.5, -0.5, -0.5));
  const double d[3] = {90 - 100 / 16.0, 90 - 100 / 8.0, 90 - 100 / 32.0};
  for (const bool extraClip : {false, true}) {
    SCOPED_TRACE(extraClip);
    gRenderer.extraClipEnabled = extraClip;
    glLoadIdentity();
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    glDisable(GL_BLEND);
    Seen seen{};
    gSeen = &seen;
    gRenderer.Draw();
    gSeen = nullptr;

    EXPECT_EQ(seen.activeUnit, GL_TEXTURE0_ARB);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(seen.textureMatrix[i], texture[i], 1e-6) << i;
    for (int i = 0; i < 6; ++i) {
      const double sign = i % 2 ? 1 : -1, n[3] = {sign * (i / 2 == 0), sign * (i / 2 == 1),
                                                  sign * (i / 2 == 2)};
      const auto want = i == 5 && extraClip ? EyePlane(translated, 0, -0.5, -2, 10)
                                            : EyePlane(turned, n[0], n[1], n[2], d[i / 2]);
      EXPECT_TRUE(seen.planeOn[i]) << i;
      for (int k = 0; k < 4; ++k) EXPECT_NEAR(seen.planes[i][k], want[k], 1e-4) << i << "," << k;
    }
    const struct { GLuint texture; GLint wrap, filter; } units[3] = {
        {gRenderer.volumeTexture, GL_CLAMP_TO_EDGE, GL_LINEAR},
        {gRenderer.gradientTexture, GL_CLAMP, GL_LINEAR},
        {gRenderer.transferTexture, GL_REPEAT, GL_NEAREST}};
    for (int u = 0; u < 3; ++u) {
      const auto& got = seen.units[u];
      EXPECT_TRUE(u == 2 ? got.on2D && !got.on3D : got.on3D && !got.on2D) << u;
      EXPECT_EQ(static_cast<GLuint>(u == 2 ? got.bound2D : got.bound3D), units[u].texture) << u;
      for (int p = 0; p < 5; ++p)
        EXPECT_EQ(got.params[p], p < 3 ? units[u].wrap : units[u].filter) << u << "," << p;
    }

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (GLenum plane = GL_CLIP_PLANE0; plane <= GL_CLIP_PLANE5; ++plane)
      EXPECT_FALSE(glIsEnabled(plane)) << plane - GL_CLIP_PLANE0;
    const std::pair<GLenum, GLint> state[] = {
        {GL_ACTIVE_TEXTURE_ARB, GL_TEXTURE0_ARB}, {GL_MATRIX_MODE, GL_MODELVIEW},
        {GL_TEXTURE_BINDING_3D, static_cast<GLint>(gRenderer.volumeTexture)},
        {GL_TEXTURE_BINDING_2D, static_cast<GLint>(gRenderer.transferTexture)}, {GL_BLEND, GL_TRUE},
        {GL_BLEND_SRC, GL_SRC_ALPHA}, {GL_BLEND_DST, GL_ONE_MINUS_SRC_ALPHA}};
    for (const auto& entry : state) {
      GLint value = 0;
      glGetIntegerv(entry.first, &value);
      EXPECT_EQ(value, entry.second) << entry.first;
    }
    for (GLenum unit : {GL_TEXTURE2_ARB, GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}) {
      glActiveTextureARB(unit);
      EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_TEXTURE_3D)) << unit;
    }
    GLdouble m[16], t[16], colour[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    glGetDoublev(GL_TEXTURE_MATRIX, t);
    glGetDoublev(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(m[i], translated[i]) << i;
      EXPECT_EQ(t[i], i % 5 == 0 ? 1.0 : 0.0) << i;
    }
    for (double c : colour) EXPECT_EQ(c, 1.0);
  }
}

}  // namespace
