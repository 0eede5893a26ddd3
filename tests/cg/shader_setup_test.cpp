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

TEST_F(ShaderSetup, ProfileFallBackOrdersAndMissingProfiles) {
  const std::string ok = "nothing thrown", noVertex =
      "Impossible d'initialiser le Vertex Shader|Extensions non supportees";
  const std::string noFragment =
      "Fragment programming extensions (GL_ARB_fragment_program or GL_NV_fragment_program) not "
      "supported|Extensions non supportees";
  const struct {
    const char* extensions;
    const std::string& thrown;
    CGprofile vertex, fragment;
    size_t links;  // each stage alone when loaded, then the pair
  } cases[] = {
      {"GL_NV_vertex_program1_1 GL_NV_vertex_program2 GL_ARB_vertex_program "
       "GL_ARB_fragment_program GL_NV_register_combiners GL_NV_texture_shader "
       "GL_NV_fragment_program", ok, CG_PROFILE_ARBVP1, CG_PROFILE_FP30, 3},
      {"GL_NV_vertex_program1_1 GL_NV_vertex_program2 GL_ARB_fragment_program "
       "GL_NV_register_combiners GL_NV_texture_shader", ok, CG_PROFILE_VP30, CG_PROFILE_FP20, 3},
      // Only whole words count, however spaced; the combiners alone are not enough.
      {"GL_NV_vertex_program2_option\tGL_NV_vertex_program1_1\nGL_NV_fragment_program2 "
       "GL_NV_texture_shader GL_ARB_fragment_program", ok, CG_PROFILE_VP20, CG_PROFILE_ARBFP1, 3},
      {"GL_ARB_fragment_program GL_NV_fragment_program", noVertex, CG_PROFILE_UNKNOWN,
       CG_PROFILE_UNKNOWN, 0},
      {"GL_ARB_vertex_program GL_NV_register_combiners", noFragment, CG_PROFILE_ARBVP1,
       CG_PROFILE_UNKNOWN, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extensions);
    backend = FakeShaderBackend();
    backend.extensions = c.extensions;
    cgrt::ResetRuntime(&backend);
    renderer.vertexProfile = renderer.fragmentProfile = CG_PROFILE_UNKNOWN;
    EXPECT_EQ(Thrown(), c.thrown);
    EXPECT_EQ(renderer.vertexProfile, c.vertex);
    EXPECT_EQ(renderer.fragmentProfile, c.fragment);
    EXPECT_EQ(backend.links.size(), c.links);
    EXPECT_EQ(backend.current, c.links == 3 ? backend.PairOf(1, 2) : 0u);
  }
  EXPECT_NE(renderer.lightPosParam, nullptr);
}

TEST_F(ShaderSetup, RuntimeErrorsCarryTheirTextAndListing) {
  for (const std::string missing : {"volrendVert.cg", "volrendFrag.cg"}) {
    ASSERT_EQ(unlink(missing.c_str()), 0);
    EXPECT_EQ(Thrown(), "The file could not be read.|" + missing + ": cannot open file");
    // A missing vertex file stops the set-up before the fragment profile is chosen.
    EXPECT_EQ(renderer.fragmentProfile == CG_PROFILE_UNKNOWN, missing == "volrendVert.cg");
    files.Write(missing, "void main() {}\n");
  }
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
