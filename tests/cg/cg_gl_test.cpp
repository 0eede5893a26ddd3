// The runtime and the real shader files on a real GL context (working
// directory: the program's run folder, which holds the shader files).
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glut.h>
#include <GL/glext.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/shader_backend.h"
#include "render/vol_render.h"
#include "shader_files.h"
#include "tests/support/gl_window.h"

namespace {

const int kSize = 64;
using Frame = std::vector<unsigned char>;

Frame ReadFrame() {
  Frame pixels(kSize * kSize * 4);
  glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// "r,g,b" of a pixel, each rounded to a multiple of 4 to absorb rounding.
std::string At(const Frame& frame, int x, int y) {
  const unsigned char* p = &frame[(y * kSize + x) * 4];
  auto level = [](int v) { return std::to_string((v + 2) / 4 * 4); };
  return level(p[0]) + "," + level(p[1]) + "," + level(p[2]);
}

// A square of half-size h; it fills the viewport with identity transforms.
void DrawQuad(float h = 1.0f) {
  const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  glBegin(GL_QUADS);
  for (const auto& c : corners) {
    glTexCoord3f(c[0], c[1], 0.5f);
    glVertex3f((2 * c[0] - 1) * h, (2 * c[1] - 1) * h, 0);
  }
  glEnd();
}

class CgGl : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool created = false;
    if (created) return;
    created = true;
    OpenGlWindow("cg_gl_test", kSize, kSize);
  }
  void SetUp() override {
    cgrt::ResetRuntime(nullptr);
    for (GLenum matrix : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
      glMatrixMode(matrix);
      glLoadIdentity();
    }
    glClear(GL_COLOR_BUFFER_BIT);
    context = cgCreateContext();
  }
  CGprogram Load(const std::string& text, CGprofile profile, const char** args = nullptr) {
    const std::string path = files.Write("p" + std::to_string(++count), text);
    CGprogram program =
        cgCreateProgramFromFile(context, CG_SOURCE, path.c_str(), profile, nullptr, args);
    cgGLLoadProgram(program);
    cgGLBindProgram(program);
    return program;
  }
  Frame Draw(void (*geometry)(), bool shaded) {
    glClear(GL_COLOR_BUFFER_BIT);
    if (shaded) cgGLEnableProfile(CG_PROFILE_ARBVP1), cgGLEnableProfile(CG_PROFILE_ARBFP1);
    geometry();
    cgGLDisableProfile(CG_PROFILE_ARBVP1);
    cgGLDisableProfile(CG_PROFILE_ARBFP1);
    return ReadFrame();
  }

  ShaderFiles files;
  CGcontext context = nullptr;
  int count = 0;
};

const char kPassVertex[] = "void main() { gl_FrontColor = gl_Color; }\n";
const char* kPosinv[] = {"-posinv", nullptr};

TEST_F(CgGl, ParameterReachesTheShadersWhichGiveWayToFixedFunction) {
  Load(kPassVertex, CG_PROFILE_ARBVP1, kPosinv);
  CGprogram fragment = Load(
      "uniform vec3 lightPos = vec3(0.75, 0.75, 0.75);\n"
      "void main() { gl_FragColor = vec4(lightPos, 1.0); }\n",
      CG_PROFILE_ARBFP1);
  ASSERT_EQ(cgGetError(), CG_NO_ERROR) << cgGetLastListing(context);
  glColor3f(1, 0, 0);
  EXPECT_EQ(At(Draw([] { DrawQuad(); }, true), 5, 5), "192,192,192");  // the source's default
  EXPECT_EQ(At(Draw([] { DrawQuad(); }, false), 5, 5), "256,0,0");
  // Equal components: this llvmpipe may rotate the components of a vec3
  // uniform of so small a program; the real pair's light is tested below.
  const float value[3] = {0.25f, 0.25f, 0.25f};
  cgGLSetParameter3fv(cgGetNamedParameter(fragment, "lightPos"), value);
  EXPECT_EQ(At(Draw([] { DrawQuad(); }, true), 5, 5), "64,64,64");
}

TEST_F(CgGl, PositionInvariantGeometryMatchesFixedFunction) {
  glMatrixMode(GL_PROJECTION);
  gluPerspective(40.0, 1.0, 1.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(0.1f, -0.2f, -4.0f);
  glRotatef(33.0f, 0.3f, 1.0f, 0.2f);
  auto triangles = [] {
    const float v[6][3] = {{-1.3f, -0.7f, 0.4f}, {1.1f, -0.9f, -0.6f}, {0.2f, 1.2f, 0.1f},
                           {-0.9f, 0.8f, -1.0f}, {-0.2f, 0.9f, 0.9f},  {-1.0f, -0.1f, 0.2f}};
    glBegin(GL_TRIANGLES);
    for (const auto& p : v) glVertex3fv(p);
    glEnd();
  };
  Load(kPassVertex, CG_PROFILE_ARBVP1, kPosinv);
  Load("void main() { gl_FragColor = vec4(1.0); }\n", CG_PROFILE_ARBFP1);
  glColor3f(1, 1, 1);
  const Frame fixed = Draw(triangles, false);
  int covered = 0;
  for (size_t i = 0; i < fixed.size(); i += 4) covered += fixed[i] == 255;
  EXPECT_GT(covered, kSize * kSize / 10);
  EXPECT_TRUE(fixed == Draw(triangles, true));
}

TEST_F(CgGl, CompileErrorListingNamesTheFileAndItsLine) {
  const std::string path =
      files.Write("broken.cg", "// comment\nvoid main()\n{\n  gl_FragColor = undefinedThing;\n}\n");
  EXPECT_EQ(cgCreateProgramFromFile(context, CG_SOURCE, path.c_str(), CG_PROFILE_ARBFP1, nullptr,
                                    nullptr),
            nullptr);
  EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
  const std::string listing = cgGetLastListing(context) ? cgGetLastListing(context) : "";
  EXPECT_EQ(listing.rfind(path + ":\n0:4(", 0), 0u) << listing;
  EXPECT_NE(listing.find("undefinedThing"), std::string::npos);
}

TEST_F(CgGl, MissingShaderFileStopsInitShaders) {
  std::ifstream vertexFile("volrendVert.cg");
  const std::string vertexText{std::istreambuf_iterator<char>(vertexFile), {}};
  ASSERT_FALSE(vertexText.empty()) << "run from the program's folder";
  char oldDir[4096];
  ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
  ASSERT_EQ(chdir(files.dir().c_str()), 0);
  VolRender renderer;
  for (const char* missing : {"volrendVert.cg", "volrendFrag.cg"}) {
    try {
      renderer.InitShaders();
      ADD_FAILURE() << "no throw";
    } catch (const VolRender::CgError& error) {
      EXPECT_EQ(error.message, "The file could not be read.");
      EXPECT_EQ(error.listing, std::string(missing) + ": cannot open file");
    }
    files.Write("volrendVert.cg", vertexText);
  }
  ASSERT_EQ(chdir(oldDir), 0);
}

// The real shader pair on a tiny volume: value 0 on the left half, 1 on the
// right; the transfer function is black but for entry 255.
class RealShaders : public CgGl {
protected:
  void SetUp() override {
    CgGl::SetUp();
    VolRender renderer;
    try {
      renderer.InitShaders();
    } catch (const VolRender::CgError& error) {
      FAIL() << error.message << "\n" << error.listing;
    }
    ASSERT_EQ(renderer.vertexProfile, CG_PROFILE_ARBVP1);
    ASSERT_EQ(renderer.fragmentProfile, CG_PROFILE_ARBFP1);
    lightPosParam = renderer.lightPosParam;
    float volume[4 * 4 * 4];
    for (int i = 0; i < 64; ++i) volume[i] = i % 4 >= 2 ? 1.0f : 0.0f;
    float table[256 * 4] = {};
    const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    std::copy(colour, colour + 4, table + 255 * 4);
    glGenTextures(3, textures);
    Upload(GL_TEXTURE2, GL_TEXTURE_2D, textures[2]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 1, 0, GL_RGBA, GL_FLOAT, table);
    SetGradient(0.0f);
    Upload(GL_TEXTURE0, GL_TEXTURE_3D, textures[0]);
    glTexImage3D(GL_TEXTURE_3D, 0, 4, 4, 4, 4, 0, GL_ALPHA, GL_FLOAT, volume);
    glColor4f(1, 1, 1, 1);
  }
  void TearDown() override { glDeleteTextures(3, textures); }
  void Upload(GLenum unit, GLenum target, GLuint texture) {
    glActiveTexture(unit);
    glBindTexture(target, texture);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  }
  // A uniform gradient along r (away from the viewer), stored as (g + 1) / 2.
  void SetGradient(float r) {
    std::vector<float> gradient(4 * 4 * 4 * 3, 0.5f);
    for (size_t i = 2; i < gradient.size(); i += 3) gradient[i] = (r + 1.0f) / 2.0f;
    Upload(GL_TEXTURE1, GL_TEXTURE_3D, textures[1]);
    glTexImage3D(GL_TEXTURE_3D, 0, 3, 4, 4, 4, 0, GL_RGB, GL_FLOAT, gradient.data());
    glActiveTexture(GL_TEXTURE0);
  }
  GLuint textures[3] = {};
  CGparameter lightPosParam = nullptr;
};

TEST_F(RealShaders, TransferColourShowsWhereTheTextureMatrixPutsTheValue) {
  const char colour[] = "64,128,192";
  Frame frame = Draw([] { DrawQuad(); }, true);
  EXPECT_EQ(At(frame, 48, 32), colour);  // flat: the table's colour unlit
  EXPECT_EQ(At(frame, 16, 32), "0,0,0");
  glMatrixMode(GL_TEXTURE);
  glTranslatef(0.5f, 0.0f, 0.0f);
  EXPECT_EQ(At(Draw([] { DrawQuad(); }, true), 16, 32), colour);
}

TEST_F(RealShaders, UserClipPlanesCutTheSlicesInEyeSpace) {
  // Eye and clip space differ, so clipping against gl_Position would cut elsewhere.
  glMatrixMode(GL_PROJECTION);
  glOrtho(-2, 2, -2, 2, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  const GLdouble keepTopQuarter[4] = {0.0, 1.0, 0.0, -1.0};
  glClipPlane(GL_CLIP_PLANE0, keepTopQuarter);
  glEnable(GL_CLIP_PLANE0);
  const Frame frame = Draw([] { DrawQuad(2.0f); }, true);
  glDisable(GL_CLIP_PLANE0);
  EXPECT_EQ(At(frame, 48, 56), "64,128,192");
  EXPECT_EQ(At(frame, 48, 40), "0,0,0");
}

TEST_F(RealShaders, SurfaceFacingTheLightIsBrighter) {
  SetGradient(0.8f);  // density grows away from the viewer: the surface faces us
  const Frame facing = Draw([] { DrawQuad(); }, true);
  SetGradient(-0.8f);
  const Frame away = Draw([] { DrawQuad(); }, true);
  const int index = (32 * kSize + 48) * 4 + 2;  // blue of a right-half pixel
  EXPECT_GT(facing[index], away[index] + 40);

  // A light steered behind the volume lights the surface facing away.
  const float behind[3] = {0.0f, 0.0f, 0.5f};
  cgGLSetParameter3fv(lightPosParam, behind);
  EXPECT_GT(Draw([] { DrawQuad(); }, true)[index], away[index] + 40);
}

}  // namespace
