#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "fake_shader_backend.h"
#include "render/vol_render.h"
#include "shader_files.h"

namespace {

// Runs InitShaders in a folder holding the two shader files.
class ShaderSetup : public ::testing::Test {
protected:
  void SetUp() override {
    cgrt::ResetRuntime(&backend);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    oldDir = cwd;
    ASSERT_EQ(chdir(files.dir().c_str()), 0);
    files.Write("volrendVert.cg", "void main() {}\n");
    files.Write("volrendFrag.cg", "uniform vec3 lightPos;\nvoid main() {}\n");
    renderer.vertexProfile = renderer.fragmentProfile = CG_PROFILE_UNKNOWN;
  }
  void TearDown() override {
    cgrt::ResetRuntime(nullptr);
    ASSERT_EQ(chdir(oldDir.c_str()), 0);
  }
  VolRender::CgError InitError() {
    try {
      renderer.InitShaders();
    } catch (const VolRender::CgError& error) {
      return error;
    }
    ADD_FAILURE() << "InitShaders threw nothing";
    return VolRender::CgError("", "");
  }

  FakeShaderBackend backend;
  ShaderFiles files;
  std::string oldDir;
  VolRender renderer;
};

TEST_F(ShaderSetup, ProfileFallBackOrders) {
  const struct {
    const char* extensions;
    CGprofile vertex, fragment;
  } cases[] = {
      {"GL_NV_vertex_program1_1 GL_NV_vertex_program2 GL_ARB_vertex_program "
       "GL_ARB_fragment_program GL_NV_register_combiners GL_NV_texture_shader "
       "GL_NV_fragment_program",
       CG_PROFILE_ARBVP1, CG_PROFILE_FP30},
      {"GL_NV_vertex_program1_1 GL_NV_vertex_program2 GL_ARB_fragment_program "
       "GL_NV_register_combiners GL_NV_texture_shader",
       CG_PROFILE_VP30, CG_PROFILE_FP20},
      {"GL_NV_vertex_program1_1 GL_ARB_fragment_program", CG_PROFILE_VP20, CG_PROFILE_ARBFP1},
  };
  for (const auto& c : cases) {
    cgrt::ResetRuntime(&backend);
    backend.extensions = c.extensions;
    renderer.InitShaders();
    EXPECT_EQ(renderer.vertexProfile, c.vertex) << c.extensions;
    EXPECT_EQ(renderer.fragmentProfile, c.fragment) << c.extensions;
  }
  // Both programs (shaders 5 and 6 of the third run) end linked together and in use.
  EXPECT_EQ(backend.current, backend.PairOf(5, 6));
  EXPECT_NE(renderer.lightPosParam, nullptr);
}

TEST_F(ShaderSetup, MissingProfilesGiveTheirOwnMessages) {
  backend.extensions = "GL_ARB_fragment_program GL_NV_fragment_program";
  VolRender::CgError error = InitError();
  EXPECT_EQ(error.message, "Impossible d'initialiser le Vertex Shader");
  EXPECT_EQ(error.listing, "Extensions non supportees");
  EXPECT_TRUE(backend.sources.empty());

  backend.extensions = "GL_ARB_vertex_program GL_NV_register_combiners";
  error = InitError();
  EXPECT_EQ(error.message,
            "Fragment programming extensions (GL_ARB_fragment_program or "
            "GL_NV_fragment_program) not supported");
  EXPECT_EQ(error.listing, "Extensions non supportees");
  // The vertex program was created and loaded first.
  EXPECT_NE(renderer.vertexProgram, nullptr);
  EXPECT_EQ(backend.links, (std::vector<std::pair<unsigned, unsigned>>{{1, 0}}));
}

TEST_F(ShaderSetup, RuntimeErrorsCarryTheirTextAndListing) {
  ASSERT_EQ(unlink("volrendVert.cg"), 0);
  VolRender::CgError error = InitError();
  EXPECT_EQ(error.message, "The file could not be read.");
  EXPECT_EQ(error.listing, "volrendVert.cg: cannot open file");
  EXPECT_EQ(renderer.fragmentProfile, CG_PROFILE_UNKNOWN);  // stopped at the first check

  files.Write("volrendVert.cg", "void main() {}\n");
  files.Write("volrendFrag.cg", "void main() { BROKEN }\n");
  error = InitError();  // the compile failure, not the load of nothing after it
  EXPECT_EQ(error.message, "The compile returned an error.");
  EXPECT_NE(error.listing.find("unexpected BROKEN"), std::string::npos);

  files.Write("volrendVert.cg", "void main() {} // NOLINK\n");
  error = InitError();
  EXPECT_EQ(error.message, "The program could not be loaded.");
  EXPECT_EQ(error.listing, "error: unresolved NOLINK");
}

TEST_F(ShaderSetup, CheckReturnsWhenNothingIsPendingAndFallsBackWithoutListing) {
  renderer.cgContext = cgCreateContext();
  EXPECT_NO_THROW(renderer.CheckCgError());
  cgGLLoadProgram(nullptr);  // an error that leaves no listing
  bool thrown = false;
  try {
    renderer.CheckCgError();
  } catch (const VolRender::CgError& error) {
    thrown = true;
    EXPECT_EQ(error.message, "#Erreur indefinie#");
    EXPECT_EQ(error.listing, "");
  }
  EXPECT_TRUE(thrown);
  EXPECT_NO_THROW(renderer.CheckCgError());  // reading the error cleared it
}

TEST(CgErrorTest, CopiesBothTextsOrFallsBackWhenEitherIsMissing) {
  char text[] = "message";
  const VolRender::CgError copied(text, "listing");
  text[0] = 'X';
  EXPECT_EQ(copied.message + "/" + copied.listing, "message/listing");
  for (const VolRender::CgError& error :
       {VolRender::CgError(nullptr, "listing"), VolRender::CgError("message", nullptr)})
    EXPECT_EQ(error.message + "/" + error.listing, "#Erreur indefinie#/");
}

}  // namespace
