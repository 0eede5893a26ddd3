#include <GL/glu.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cg/cg_runtime.h"
#include "cg/shader_backend.h"
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
  // Grey unshaded, white shaded, in perspective: any pixel covered differently shows.
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
  EXPECT_EQ(cgGetError(), CG_COMPILER_ERROR);
  const std::string listing = cgGetLastListing(context) ? cgGetLastListing(context) : "";
  EXPECT_EQ(listing.rfind(files.dir() + "/" + std::to_string(CG_PROFILE_ARBFP1) + ":\n0:4(", 0), 0u)
      << listing;
  EXPECT_NE(listing.find("undefinedThing"), std::string::npos);
}

}  // namespace
