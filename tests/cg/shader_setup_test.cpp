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
    ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
    ASSERT_EQ(chdir(files.dir().c_str()), 0);
    files.Write("volrendVert.cg", "void main() {}\n");
    files.Write("volrendFrag.cg", "uniform vec3 lightPos;\nvoid main() {}\n");
    renderer.vertexProfile = renderer.fragmentProfile = CG_PROFILE_UNKNOWN;
  }
  void TearDown() override {
    cgrt::ResetRuntime(nullptr);
    ASSERT_EQ(chdir(oldDir), 0);
  }
  // "message|listing" of what the step throws.
  std::string Thrown(void (VolRender::*step)() = &VolRender::InitShaders) {
    try {
      (renderer.*step)();
    } catch (const VolRender::CgError& error) {
      return error.message + "|" + error.listing;
    }
    return "nothing thrown";
  }

  FakeShaderBackend backend;
  ShaderFiles files;
  char oldDir[4096];
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
    EXPECT_EQ(Thrown(), "nothing thrown");
    EXPECT_EQ(renderer.vertexProfile, c.vertex) << c.extensions;
    EXPECT_EQ(renderer.fragmentProfile, c.fragment) << c.extensions;
  }
  // Both programs (shaders 5 and 6 of the third run) end linked together and in use.
  EXPECT_EQ(backend.current, backend.PairOf(5, 6));
  EXPECT_NE(renderer.lightPosParam, nullptr);
}

TEST_F(ShaderSetup, MissingProfilesGiveTheirOwnMessages) {
  backend.extensions = "GL_ARB_fragment_program GL_NV_fragment_program";
  EXPECT_EQ(Thrown(), "Impossible d'initialiser le Vertex Shader|Extensions non supportees");
  EXPECT_TRUE(backend.sources.empty());
  backend.extensions = "GL_ARB_vertex_program GL_NV_register_combiners";
  EXPECT_EQ(Thrown(),
            "Fragment programming extensions (GL_ARB_fragment_program or "
            "GL_NV_fragment_program) not supported|Extensions non supportees");
  // The vertex program was created and loaded first.
  EXPECT_NE(renderer.vertexProgram, nullptr);
  EXPECT_EQ(backend.links, (std::vector<std::pair<unsigned, unsigned>>{{1, 0}}));
}

TEST_F(ShaderSetup, RuntimeErrorsCarryTheirTextAndListing) {
  for (const std::string missing : {"volrendVert.cg", "volrendFrag.cg"}) {
    ASSERT_EQ(unlink(missing.c_str()), 0);
    EXPECT_EQ(Thrown(), "The file could not be read.|" + missing + ": cannot open file");
    // A missing vertex file stops the set-up before the fragment profile is chosen.
    EXPECT_EQ(renderer.fragmentProfile == CG_PROFILE_UNKNOWN, missing == "volrendVert.cg");
    files.Write(missing, "void main() {}\n");
  }
  files.Write("volrendFrag.cg", "void main() { BROKEN }\n");
  EXPECT_EQ(Thrown().rfind("The compile returned an error.|volrendFrag.cg:", 0), 0u);
  files.Write("volrendFrag.cg", "void main() {} // NOLINK\n");
  EXPECT_EQ(Thrown(), "The program could not be loaded.|error: unresolved NOLINK");
  // With no listing, the text falls back.
  renderer.cgContext = cgCreateContext();
  cgGLLoadProgram(nullptr);
  EXPECT_EQ(Thrown(&VolRender::CheckCgError), "#Erreur indefinie#|");
  EXPECT_EQ(Thrown(&VolRender::CheckCgError), "nothing thrown");  // reading cleared it
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
