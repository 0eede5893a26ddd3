// The runtime and the real shader files on a real GL context (working
// directory: the program's run folder, which holds the shader files).
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glut.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/shader_backend.h"
#include "render/vol_render.h"
#include "shader_files.h"
#include "tests/support/gl_window.h"

namespace {

const int kSize = 64;
using Frame = std::vector<unsigned char>;

// "r,g,b" of a pixel, each rounded to a multiple of 4 to absorb rounding.
std::string At(const Frame& frame, int x, int y) {
  const unsigned char* p = &frame[(y * kSize + x) * 4];
  auto level = [](int v) { return std::to_string((v + 2) / 4 * 4); };
  return level(p[0]) + "," + level(p[1]) + "," + level(p[2]);
}

// A square that fills the viewport with identity transforms.
Frame Draw(bool shaded = true) {
  glClear(GL_COLOR_BUFFER_BIT);
  if (shaded) cgGLEnableProfile(CG_PROFILE_ARBVP1), cgGLEnableProfile(CG_PROFILE_ARBFP1);
  glBegin(GL_QUADS);
  for (float y : {0, 1}) {
    for (float x : {y, 1 - y}) glTexCoord3f(x, y, 0.5f), glVertex3f(2 * x - 1, 2 * y - 1, 0);
  }
  glEnd();
  cgGLDisableProfile(CG_PROFILE_ARBVP1);
  cgGLDisableProfile(CG_PROFILE_ARBFP1);
  Frame pixels(kSize * kSize * 4);
  glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

class CgGl : public ::testing::Test {
protected:
  static void SetUpTestSuite() { OpenGlWindow("cg_gl_test", kSize, kSize); }
  void SetUp() override {
    cgrt::ResetRuntime(nullptr);
    for (GLenum matrix : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
      glMatrixMode(matrix);
      glLoadIdentity();
    }
    context = cgCreateContext();
  }
  CGprogram Load(const std::string& text, CGprofile profile, const char** args = nullptr) {
    const std::string path = files.Write(std::to_string(profile), text);
    CGprogram program =
        cgCreateProgramFromFile(context, CG_SOURCE, path.c_str(), profile, nullptr, args);
    cgGLLoadProgram(program);
    cgGLBindProgram(program);
    return program;
  }

  ShaderFiles files;
  CGcontext context = nullptr;
};

TEST_F(CgGl, PositionInvariantProgramCoversWhatFixedFunctionCovers) {
  const char* posinv[] = {"-posinv", nullptr};
  Load("void main() { gl_FrontColor = gl_Color; }\n", CG_PROFILE_ARBVP1, posinv);
  Load("void main() { gl_FragColor = 2.0 * gl_Color; }\n", CG_PROFILE_ARBFP1);
  ASSERT_EQ(cgGetError(), CG_NO_ERROR) << cgGetLastListing(context);
  // Grey unshaded, white shaded, seen in perspective: any pixel covered
  // differently shows.
  glColor3f(0.5f, 0.5f, 0.5f);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(40.0, 1.0, 1.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(0.1f, -0.2f, -4.0f);
  glRotatef(53.0f, 0.3f, 1.0f, 0.2f);
  const Frame fixed = Draw(false), shaded = Draw();
  int covered = 0, differing = 0;
  for (size_t i = 0; i < fixed.size(); i += 4) {
    covered += fixed[i] != 0;
    differing += (fixed[i] != 0) != (shaded[i] == 255);
  }
  EXPECT_TRUE(covered > kSize * kSize / 10 && covered < kSize * kSize * 9 / 10) << covered;
  EXPECT_EQ(differing, 0);
}

TEST_F(CgGl, CompileErrorListingNamesTheFileAndItsLine) {
  EXPECT_EQ(Load("// comment\nvoid main()\n{\n  gl_FragColor = undefinedThing;\n}\n",
                 CG_PROFILE_ARBFP1),
            nullptr);
  const std::string path = files.dir() + "/" + std::to_string(CG_PROFILE_ARBFP1);
  EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
  const std::string listing = cgGetLastListing(context) ? cgGetLastListing(context) : "";
  EXPECT_EQ(listing.rfind(path + ":\n0:4(", 0), 0u) << listing;
  EXPECT_NE(listing.find("undefinedThing"), std::string::npos);
}

// The real shader pair on a tiny volume: value 0 on the left half, 1 on the
// right; the transfer function is black but for entry 255.
TEST_F(CgGl, RealShadersColourAndLight) {
  VolRender renderer;
  ASSERT_NO_THROW(renderer.InitShaders());
  ASSERT_EQ(renderer.vertexProfile, CG_PROFILE_ARBVP1);
  ASSERT_EQ(renderer.fragmentProfile, CG_PROFILE_ARBFP1);
  GLuint textures[3];
  glGenTextures(3, textures);
  auto bind = [&](int unit, GLenum target) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(target, textures[unit]);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  };
  // A uniform gradient along r (away from the viewer), stored as (g + 1) / 2.
  auto setGradient = [&](float r) {
    std::vector<float> gradient(4 * 4 * 4 * 3, 0.5f);
    for (size_t i = 2; i < gradient.size(); i += 3) gradient[i] = (r + 1.0f) / 2.0f;
    bind(1, GL_TEXTURE_3D);
    glTexImage3D(GL_TEXTURE_3D, 0, 3, 4, 4, 4, 0, GL_RGB, GL_FLOAT, gradient.data());
  };
  float table[256 * 4] = {}, volume[4 * 4 * 4];
  table[1020] = 0.25f, table[1021] = 0.5f, table[1022] = 0.75f, table[1023] = 1.0f;  // entry 255
  for (int i = 0; i < 64; ++i) volume[i] = i % 4 >= 2 ? 1.0f : 0.0f;
  bind(2, GL_TEXTURE_2D);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 1, 0, GL_RGBA, GL_FLOAT, table);
  setGradient(0.0f);
  bind(0, GL_TEXTURE_3D);  // left active, so the texture matrix below is unit 0's
  glTexImage3D(GL_TEXTURE_3D, 0, 4, 4, 4, 4, 0, GL_ALPHA, GL_FLOAT, volume);
  glColor4f(1, 1, 1, 1);

  // Flat: the table's colour unlit, where the texture matrix puts the value.
  const Frame flat = Draw();
  EXPECT_EQ(At(flat, 48, 32), "64,128,192");
  EXPECT_EQ(At(flat, 16, 32), "0,0,0");
  glMatrixMode(GL_TEXTURE);
  glTranslatef(0.5f, 0.0f, 0.0f);
  EXPECT_EQ(At(Draw(), 16, 32), "64,128,192");
  glLoadIdentity();

  // Clip planes cut in eye space, which differs here from clip space: the
  // quad still fills the view, only its top quarter is kept.
  const GLdouble keepTopQuarter[4] = {0.0, 1.0, 0.0, -1.0};
  glMatrixMode(GL_MODELVIEW);
  glClipPlane(GL_CLIP_PLANE0, keepTopQuarter);
  glScalef(2, 2, 1);
  glMatrixMode(GL_PROJECTION);
  glOrtho(-2, 2, -2, 2, -1, 1);
  glEnable(GL_CLIP_PLANE0);
  const Frame clipped = Draw();
  glDisable(GL_CLIP_PLANE0);
  EXPECT_EQ(At(clipped, 48, 56), "64,128,192");
  EXPECT_EQ(At(clipped, 48, 40), "0,0,0");

  // Density growing away from the viewer: the surface faces the light.
  setGradient(0.8f);
  const int blue = (32 * kSize + 48) * 4 + 2;  // of a right-half pixel
  const unsigned char facing = Draw()[blue];
  setGradient(-0.8f);
  const unsigned char away = Draw()[blue];
  EXPECT_GT(facing, away + 40);
  const float behind[3] = {0.0f, 0.0f, 0.5f};  // now the surface facing away is lit
  cgGLSetParameter3fv(renderer.lightPosParam, behind);
  EXPECT_GT(Draw()[blue], away + 40);
  glDeleteTextures(3, textures);
}

}  // namespace
