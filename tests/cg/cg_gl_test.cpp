#define GL_GLEXT_PROTOTYPES 1
#include <GL/glu.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cg/cg_runtime.h"
#include "cg/shader_backend.h"
#include "render/vol_render.h"
#include "shader_files.h"
#include "tests/support/gl_window.h"

namespace {

const int kSize = 64;
using Frame = std::vector<unsigned char>;

// A square that fills the viewport with identity transforms.
Frame Draw(bool shaded = true) {
  glClear(GL_COLOR_BUFFER_BIT);
  if (shaded) cgGLEnableProfile(CG_PROFILE_ARBVP1), cgGLEnableProfile(CG_PROFILE_ARBFP1);
  glRectf(-1, -1, 1, 1);
  cgGLDisableProfile(CG_PROFILE_ARBVP1), cgGLDisableProfile(CG_PROFILE_ARBFP1);
  Frame pixels(kSize * kSize * 4);
  glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

class CgGl : public ::testing::Test {
protected:
  static void SetUpTestSuite() { OpenGlWindow("cg_gl_test", kSize, kSize); }
  void SetUp() override {
    cgrt::ResetRuntime(nullptr);
    context = cgCreateContext();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(40.0, 1.0, 1.0, 400.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
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

// The vertex program does not write gl_ClipVertex: the user clip plane must
// still cut it as it cuts fixed function.
TEST_F(CgGl, PositionInvariantProgramCoversWhatFixedFunctionCovers) {
  const char* posinv[] = {"-posinv", nullptr};
  Load("void main() { gl_FrontColor = gl_Color; }\n", CG_PROFILE_ARBVP1, posinv);
  Load("void main() { gl_FragColor = 2.0 * gl_Color; }\n", CG_PROFILE_ARBFP1);
  ASSERT_EQ(cgGetError(), CG_NO_ERROR) << cgGetLastListing(context);
  // Grey unshaded, white shaded, in perspective: any pixel covered differently shows.
  glColor3f(0.5f, 0.5f, 0.5f);
  const GLdouble plane[4] = {1.0, 0.4, 0.0, 0.5};
  glClipPlane(GL_CLIP_PLANE0, plane);
  glEnable(GL_CLIP_PLANE0);
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
  glDisable(GL_CLIP_PLANE0);
}

TEST_F(CgGl, CompileErrorListingNamesTheFileAndItsLine) {
  EXPECT_EQ(Load("// comment\nvoid main()\n{\n  gl_FragColor = undefinedThing;\n}\n",
                 CG_PROFILE_ARBFP1),
            nullptr);
  EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
  const std::string listing = cgGetLastListing(context) ? cgGetLastListing(context) : "";
  const std::string file = std::string(files.dir) + "/" + std::to_string(CG_PROFILE_ARBFP1);
  EXPECT_EQ(listing.rfind(file + ":\n0:4(", 0), 0u) << listing;
}

// Through a column of constant density the volume must be as opaque at 1000
// slices as at 200. The column is faint, so neither count saturates, and is
// blended into floats, so 8-bit rounding cannot hide a difference.
TEST_F(CgGl, AColumnOfConstantDensityIsAsOpaqueAtAnySliceCount) {
  gRenderer.Init();
  GLuint floats = 0, framebuffer = 0;
  glGenRenderbuffers(1, &floats);
  glBindRenderbuffer(GL_RENDERBUFFER, floats);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA32F, kSize, kSize);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, floats);
  // Entry 1 of the start-up table, the faintest: nearly pure red, opacity 1/255.
  std::vector<float> volume(32 * 32 * 32, 1.0f / 255);
  gRenderer.SetData(volume.data(), 32, 32, 32);
  gRenderer.BuildGradients();
  float opacity[2] = {};
  for (int i : {0, 1}) {
    gRenderer.sliceCount = i ? 1000 : 200;
    gRenderer.BuildSlices();
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    gRenderer.Draw();
    glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_RED, GL_FLOAT, &opacity[i]);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_TRUE(opacity[0] > 0.5f && opacity[0] < 0.9f) << opacity[0];
  EXPECT_NEAR(opacity[1], opacity[0], 0.02f);
}

}  // namespace
