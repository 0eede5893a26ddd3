// The renderer against a real GL context: uploads, ownership, gradients, the
// slice list and the state the slices are drawn in.
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <new>
#include <random>
#include <vector>

#include "glux/glux_multitexture.h"
#include "render/gradients.h"
#include "render/vol_render.h"
#include "render/volume_upload.h"
#include "transfer/transfer_editor.h"
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

// The renderer's GL calls land here first: what BuildSlices records (texture
// coordinates, vertex) and what is in force when Draw calls the list.
static std::vector<std::array<float, 6>> gRecorded;
static std::array<float, 3> gTexCoord;
static std::function<void()> gWhileDrawing;
template <typename Fn>
static Fn Real(const char* name) { return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name)); }
extern "C" void glTexCoord3f(GLfloat s, GLfloat t, GLfloat r) {
  gTexCoord = {s, t, r};
  Real<void (*)(GLfloat, GLfloat, GLfloat)>("glTexCoord3f")(s, t, r);
}
extern "C" void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  gRecorded.push_back({gTexCoord[0], gTexCoord[1], gTexCoord[2], x, y, z});
  Real<void (*)(GLfloat, GLfloat, GLfloat)>("glVertex3f")(x, y, z);
}
extern "C" void glCallList(GLuint list) {
  if (gWhileDrawing) gWhileDrawing();
  Real<void (*)(GLuint)>("glCallList")(list);
}

namespace {

using Bytes = std::vector<unsigned char>;
using Matrix = std::array<double, 16>;  // column-major, as GL keeps it

Matrix Got(GLenum which) {
  Matrix m{};
  glGetDoublev(which, m.data());
  return m;
}
// Every level of a 3D texture, back to back, as RGBA.
Bytes ReadLevels(GLuint texture) {
  glBindTexture(GL_TEXTURE_3D, texture);
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

class RendererGl : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    OpenGlWindow("renderer test", 500, 500);
    gRenderer.Init();
  }
  void TearDown() override { gRenderer.SetData(nullptr, 0, 0, 0); }
};

// Gradients follow each new volume, reusing their buffer while the size
// stays; a buffer of the renderer's own is released only when replaced.
TEST_F(RendererGl, GradientsFollowTheDataFrameAfterFrameAndOnlyAnOwnedBufferIsReleased) {
  std::vector<float> v(16 * 8 * 8), want(3 * v.size());
  const float* previous = nullptr;
  for (int frame = 0; frame < 3; ++frame) {
    const int32_t nz = frame < 2 ? 8 : 4;  // the first two frames share one buffer
    // Voxels twice as long along z in frame 1; the next upload is lit per voxel again.
    const std::array<double, 3> scale = {1, 1, frame == 1 ? 0.5 : 1};
    for (size_t i = 0; i < v.size(); ++i) v[i] = (i * (frame + 3) % 17) / 16.0f;
    gRenderer.SetData(v.data(), 16, 8, nz);
    if (frame == 1) gRenderer.SetProportions(1, 0.5f, 1);
    gRenderer.BuildGradients();
    EXPECT_TRUE(frame != 1 || gRenderer.gradientData == previous);
    previous = gRenderer.gradientData;
    ComputeGradients(v.data(), 16, 8, nz, scale, want.data());
    const Bytes got = ReadLevels(gRenderer.gradientTexture);  // level 0 first
    for (size_t i = 0; i < size_t{3} * 16 * 8 * nz; ++i)
      ASSERT_NEAR(got[4 * (i / 3) + i % 3], want[i] * 255, 0.51) << frame;
  }

  // As a four-channel raw load leaves it: owned, RGBA per voxel.
  float* loaded = new float[4 * 8 * 8 * 8]();
  gRenderer.data = loaded;
  gRenderer.ownsData = true;
  gRenderer.channels = 4;
  gLastArrayReleased = nullptr;
  gRenderer.SetData(loaded, 8, 8, 8);  // handed back: kept, still ours
  EXPECT_TRUE(gLastArrayReleased == nullptr && gRenderer.ownsData);
  gRenderer.SetData(v.data(), 16, 8, 8);
  EXPECT_TRUE(gLastArrayReleased == loaded && !gRenderer.ownsData && gRenderer.channels == 1);
}

// Our mipmapped uploads match gluBuild3DMipmaps' byte for byte at every level,
// and so does the fall-back on the library (given a clamped copy) that every
// upload takes when ours declines, the renderer's included.
TEST_F(RendererGl, EveryUploadMatchesTheLibraryOnClampedVoxelsAndWhatCannotMatchIsDeclined) {
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
    GLuint textures[2];  // fresh ones, so no level of an earlier case is read back
    glGenTextures(2, textures);
    glGenTextures(1, &gRenderer.volumeTexture);
    std::mt19937 random(k[0]);
    std::vector<float> voxels(size_t{1} * k[0] * k[1] * k[2] * k[3]);
    for (float& v : voxels) v = std::uniform_real_distribution<float>(-0.2f, 1.2f)(random);
    for (size_t i = 1; i < voxels.size(); i += 7) voxels[i] = odd[(i / 7) % 8];
    glBindTexture(GL_TEXTURE_3D, textures[1]);
    ASSERT_TRUE(UploadMipmapped3D(chain, internalFormat, format, k[0], k[1], k[2], voxels.data()));
    const Bytes ours = ReadLevels(textures[1]);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, k[0]);  // no change to the rows, but ours declines it
    UploadVolumeTexture(chain, internalFormat, format, k[0], k[1], k[2], voxels.data());
    if (k[3] == 1) gRenderer.SetData(voxels.data(), k[0], k[1], k[2]);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    const Bytes fallBack = ReadLevels(textures[1]);
    // The library is given what ours reads: values clamped to [0, 1], NaN as 0.
    for (float& v : voxels) v = v > 0 ? std::min(v, 1.0f) : 0.0f;
    glBindTexture(GL_TEXTURE_3D, textures[0]);
    gluBuild3DMipmaps(GL_TEXTURE_3D, internalFormat, k[0], k[1], k[2], format, GL_FLOAT,
                      voxels.data());
    EXPECT_TRUE(ReadLevels(textures[0]) == ours && fallBack == ours)
        << k[0] << "x" << k[1] << "x" << k[2] << " of " << k[3];
    EXPECT_TRUE(k[3] == 3 || ReadLevels(gRenderer.volumeTexture) == ours) << k[0];
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

// The list holds whole quads back to front, then Draw calls it with the
// planes, matrix and textures set and restores the state for the overlay.
TEST_F(RendererGl, SliceListAndDraw) {
  std::vector<float> volume(16 * 8 * 32, 1.0f);
  gRenderer.SetData(volume.data(), 16, 8, 32);
  gRenderer.BuildGradients();
  const double h = 100.0 / 32, corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (const int n : {1, 0, -5, 3}) {  // a lone slice in the middle, not at 0/0
    gRenderer.sliceCount = n;
    gRecorded.clear();
    gRenderer.BuildSlices();
    ASSERT_EQ(gRecorded.size(), 4u * std::max(n, 0));
    for (size_t i = 0; i < gRecorded.size(); ++i) {
      const double* st = corners[i % 4];
      const double z = n > 1 ? h + (200 - 2 * h) * (i / 4) / (n - 1) - 100 : 0;
      const double r = 1 - (i / 4) / static_cast<double>(n);  // 1/N steps, unlike z
      const double want[6] = {st[0], st[1], r, 200 * st[0] - 100, 200 * st[1] - 100, z};
      for (int k = 0; k < 6; ++k) EXPECT_NEAR(gRecorded[i][k], want[k], 1e-5) << i << "," << k;
    }
  }
  gRenderer.angleZ = 30.0f;
  gRenderer.angleX = 20.0f;
  gRenderer.clipDistance = 10;
  // What Draw must make of the modelview (moved, then turned) and of texture matrix 0, by GL.
  glLoadIdentity();
  glTranslated(0.5, 0.5, 0.5);
  glRotated(20, -1, 0, 0);
  glRotated(30, 0, 0, -1);
  glTranslated(-0.5, -0.5, -0.5);
  const Matrix texture = Got(GL_MODELVIEW_MATRIX);
  glLoadIdentity();
  glTranslated(0, 0, -250);
  const Matrix moved = Got(GL_MODELVIEW_MATRIX);
  glRotated(30, 0, 0, 1);
  glRotated(20, -1, 0, 0);
  const Matrix turned = Got(GL_MODELVIEW_MATRIX);
  const double box[6][4] = {{-1, 0, 0, 90 - 100 / 16.0}, {1, 0, 0, 90 - 100 / 16.0},
                            {0, -1, 0, 90 - 100 / 8.0},  {0, 1, 0, 90 - 100 / 8.0},
                            {0, 0, -1, 90 - 100 / 32.0}, {0, 0, 1, 90 - 100 / 32.0}};
  const double extra[4] = {0, -0.5, -2, 10};
  const GLint units[3][4] = {  // texture, target, wrap, filter
      {static_cast<GLint>(gRenderer.volumeTexture), GL_TEXTURE_3D, GL_CLAMP_TO_EDGE, GL_LINEAR},
      {static_cast<GLint>(gRenderer.gradientTexture), GL_TEXTURE_3D, GL_CLAMP, GL_LINEAR},
      {static_cast<GLint>(gRenderer.transferTexture), GL_TEXTURE_2D, GL_REPEAT, GL_NEAREST}};
  const GLenum params[5] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R,
                            GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER};
  for (const bool extraClip : {false, true}) {
    SCOPED_TRACE(extraClip);
    gRenderer.extraClipEnabled = extraClip;
    glLoadIdentity();
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    glDisable(GL_BLEND);
    int calls = 0;
    gWhileDrawing = [&] {
      ++calls;
      const Matrix got = Got(GL_TEXTURE_MATRIX);  // of the active unit, which must be 0
      for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], texture[i], 1e-6) << i;
      for (int i = 0; i < 6; ++i) {
        // GL keeps plane p given under modelview M as p * inverse(M): times M it is p again.
        const bool fixed = i == 5 && extraClip;
        GLdouble p[4];
        glGetClipPlane(GL_CLIP_PLANE0 + i, p);
        EXPECT_TRUE(glIsEnabled(GL_CLIP_PLANE0 + i)) << i;
        for (int k = 0; k < 4; ++k) {
          const double* m = &(fixed ? moved : turned)[4 * k];
          EXPECT_NEAR(p[0] * m[0] + p[1] * m[1] + p[2] * m[2] + p[3] * m[3],
                      (fixed ? extra : box[i])[k], 1e-4) << i << "," << k;
        }
      }
      for (int u = 2; u >= 0; --u) {
        glActiveTextureARB(GL_TEXTURE0_ARB + u);
        const bool flat = units[u][1] == GL_TEXTURE_2D;
        EXPECT_TRUE(glIsEnabled(units[u][1]) && !glIsEnabled(flat ? GL_TEXTURE_3D : GL_TEXTURE_2D));
        GLint value[6];
        glGetIntegerv(flat ? GL_TEXTURE_BINDING_2D : GL_TEXTURE_BINDING_3D, value);
        for (int p = 0; p < 5; ++p) glGetTexParameteriv(units[u][1], params[p], &value[p + 1]);
        for (int p = 0; p < 6; ++p) EXPECT_EQ(value[p], units[u][p ? 2 + (p > 3) : 0]) << u << p;
      }
    };
    gRenderer.Draw();
    gWhileDrawing = nullptr;
    EXPECT_EQ(calls, 1);

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLint state[][2] = {
        {GL_ACTIVE_TEXTURE_ARB, GL_TEXTURE0_ARB}, {GL_MATRIX_MODE, GL_MODELVIEW},
        {GL_TEXTURE_BINDING_3D, units[0][0]},     {GL_TEXTURE_BINDING_2D, units[2][0]},
        {GL_BLEND, GL_TRUE}, {GL_BLEND_SRC, GL_SRC_ALPHA}, {GL_BLEND_DST, GL_ONE_MINUS_SRC_ALPHA}};
    for (const auto& entry : state) EXPECT_EQ(Got(entry[0])[0], entry[1]) << entry[0];
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE0 + i)) << i;
    for (int u = 2; u >= 0; --u) {
      glActiveTextureARB(GL_TEXTURE0_ARB + u);
      EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_TEXTURE_3D)) << u;
    }
    EXPECT_EQ(Got(GL_MODELVIEW_MATRIX), moved);
    EXPECT_EQ(Got(GL_TEXTURE_MATRIX), (Matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Got(GL_CURRENT_COLOR), (Matrix{1, 1, 1, 1}));
  }
}

}  // namespace

namespace {

// Opened volumes keep 16 bits: values on the steps of a 16-bit texel,
// the window's ends included, come back exactly, those beyond it clamped;
// gradients are 16-bit unit directions with the magnitude beside them, and
// the table is then read with interpolation. Volumes handed over the plain
// way afterwards are no longer taken for precise ones.
TEST_F(RendererGl, PreciseVolumesKeepSixteenBitsAtTheWindowsEnds) {
  const std::vector<uint16_t> steps = {0, 1, 257, 32767, 65534, 65535, 0, 65535};
  std::vector<float> texels(8 * 2 * 2);
  for (size_t i = 0; i < texels.size(); ++i) {
    const size_t x = i % 8;
    texels[i] = x < 6 ? steps[x] / 65535.0f : (x == 6 ? -0.1f : 1.1f);
  }
  gRenderer.ShowPreciseVolume(texels.data(), 8, 2, 2, {1.0f, 0.25f, 0.25f});
  glBindTexture(GL_TEXTURE_3D, gRenderer.volumeTexture);
  GLint format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  EXPECT_EQ(format, GL_ALPHA16);
  std::vector<uint16_t> read(texels.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_3D, 0, GL_ALPHA, GL_UNSIGNED_SHORT, read.data());
  for (size_t i = 0; i < read.size(); ++i) ASSERT_EQ(read[i], steps[i % 8]) << i;

  glBindTexture(GL_TEXTURE_3D, gRenderer.gradientTexture);
  glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  EXPECT_EQ(format, GL_RGBA16);
  GLint filter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);  // the table, on unit 0
  EXPECT_EQ(filter, GL_LINEAR);
  EXPECT_FALSE(gRenderer.VisibleBox().empty);

  std::vector<float> plain(8 * 8 * 8, 0.5f);
  gRenderer.SetData(plain.data(), 8, 8, 8);
  gRenderer.SetTransferFunction(gTransferEditor.Table());
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
  EXPECT_EQ(filter, GL_NEAREST);
  const TextureBox box = gRenderer.VisibleBox();
  EXPECT_EQ(box.hi, (std::array<float, 3>{1, 1, 1}));
}

}  // namespace
