#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "fake_shader_backend.h"
#include "render/vol_render.h"
#include "shader_files.h"

namespace {

// Runs the renderer's shader set-up on a fake backend, in a folder holding
// the two shader files.
class ShaderSetup : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
    ASSERT_EQ(chdir(files.dir), 0);
    files.Write("volrendVert.cg", "void main() {}\n");
    files.Write("volrendFrag.cg", "uniform vec3 lightPos;\nvoid main() {}\n");
    Reset("GL_ARB_vertex_program GL_ARB_fragment_program");
  }
  void TearDown() override {
    cgrt::ResetRuntime(nullptr);
    ASSERT_EQ(chdir(oldDir), 0);
  }
  void Reset(const char* extensions) {
    backend = FakeShaderBackend();
    backend.extensions = extensions;
    cgrt::ResetRuntime(&backend);
    renderer.vertexProfile = renderer.fragmentProfile = CG_PROFILE_UNKNOWN;
  }
  // "message|listing" of what the step throws.
  std::string Thrown(void (VolRender::*step)() = &VolRender::InitShaders) {
    try {
      (renderer.*step)();
    } catch (const VolRender::CgError& error) {
      return error.message + "|" + error.listing;
    }
    return "";
  }

  FakeShaderBackend backend;
  ShaderFiles files;
  char oldDir[4096];
  VolRender renderer;
};

TEST_F(ShaderSetup, ProfileFallBackOrdersAndMissingProfiles) {
  const std::string unsupported = "|Extensions non supportees";
  const std::string noVertex = "Impossible d'initialiser le Vertex Shader" + unsupported;
  const std::string noFragment = "Fragment programming extensions (GL_ARB_fragment_program or "
                                 "GL_NV_fragment_program) not supported" + unsupported;
  const std::string nv1 = "GL_NV_vertex_program1_1 ", nv2 = "GL_NV_vertex_program2 ",
                    arbv = "GL_ARB_vertex_program ", nvf = "GL_NV_fragment_program ",
                    fp20 = "GL_NV_register_combiners GL_NV_texture_shader ",
                    arbf = "GL_ARB_fragment_program ";
  const struct {
    std::string extensions, thrown;
    CGprofile vertex, fragment;
  } cases[] = {
      {nv1 + nv2 + arbv + arbf + fp20 + nvf, "", CG_PROFILE_ARBVP1, CG_PROFILE_FP30},
      {nv1 + nv2 + arbf + fp20, "", CG_PROFILE_VP30, CG_PROFILE_FP20},
      // Only whole words count, however spaced; the combiners alone are not enough.
      {"GL_NV_vertex_program2_option\tGL_NV_vertex_program1_1\nGL_NV_fragment_program2 "
       "GL_NV_texture_shader " + arbf, "", CG_PROFILE_VP20, CG_PROFILE_ARBFP1},
      {arbf + nvf, noVertex, CG_PROFILE_UNKNOWN, CG_PROFILE_UNKNOWN},
      {arbv + "GL_NV_register_combiners", noFragment, CG_PROFILE_ARBVP1, CG_PROFILE_UNKNOWN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extensions);
    Reset(c.extensions.c_str());
    EXPECT_EQ(Thrown(), c.thrown);
    EXPECT_EQ(renderer.vertexProfile, c.vertex);
    EXPECT_EQ(renderer.fragmentProfile, c.fragment);
    // Each stage is linked alone when loaded, then the pair (program 3) when enabled.
    EXPECT_EQ(backend.links.size(), c.thrown.empty() ? 3u : c.vertex != CG_PROFILE_UNKNOWN);
    EXPECT_EQ(backend.current, c.thrown.empty() ? 3u : 0u);
  }
}

// A failure after the last load (a missing fragment file, then loading the
// null program) keeps its own text; a pair that does not link is reported,
// not left to fixed function. Error texts are copies, "" kept, null replaced.
TEST_F(ShaderSetup, ErrorsCarryTheirTextAndListing) {
  for (const std::string missing : {"volrendVert.cg", "volrendFrag.cg"}) {
    ASSERT_EQ(unlink(missing.c_str()), 0);
    EXPECT_EQ(Thrown(), "The file could not be read.|" + missing + ": cannot open file");
    // A missing vertex file stops the set-up before the fragment profile is chosen.
    EXPECT_EQ(renderer.fragmentProfile == CG_PROFILE_UNKNOWN, missing == "volrendVert.cg");
    files.Write(missing, "void main() {}\n");
  }
  backend.pairsLink = false;
  EXPECT_EQ(Thrown(), "The program could not be loaded.|varyings differ");
  // With no listing, or no text, the texts fall back; the texts are copies.
  renderer.cgContext = cgCreateContext();
  cgGLLoadProgram(nullptr);
  EXPECT_EQ(Thrown(&VolRender::CheckCgError), "#Erreur indefinie#|");
  EXPECT_EQ(Thrown(&VolRender::CheckCgError), "");  // reading cleared it
  char text[] = "message";
  const VolRender::CgError copied(text, "listing"), noText(nullptr, "listing");
  const VolRender::Error plain(text), none, empty("");  // the renderer's other error, alike
  text[0] = 'X';
  EXPECT_EQ(copied.message + copied.listing + noText.message + noText.listing,
            "messagelisting#Erreur indefinie#");
  EXPECT_EQ(plain.message + "|" + none.message + "|" + empty.message, "message|#Erreur indefinie#|");
}

// The pair is linked once and used while both profiles are enabled; a
// parameter set between frames reaches each linked program on its next use.
TEST_F(ShaderSetup, EnabledPairIsLinkedOnceAndParametersReachEachProgram) {
  renderer.InitShaders();
  const unsigned pair = 3, fragmentAlone = 2;
  auto profiles = [&](bool on) {
    for (CGprofile profile : {renderer.vertexProfile, renderer.fragmentProfile})
      on ? cgGLEnableProfile(profile) : cgGLDisableProfile(profile);
    EXPECT_EQ(backend.current, on ? pair : 0u);
  };
  for (int frame = 0; frame < 3; ++frame) profiles(false), profiles(true);
  const decltype(backend.links) links = {{1, 0}, {0, 2}, {1, 2}};
  EXPECT_EQ(backend.links, links);
  profiles(false);
  const float value[3] = {0.5f, -0.25f, -0.5f};
  cgGLSetParameter3fv(renderer.lightPosParam, value);  // nothing in use: kept for later
  EXPECT_TRUE(backend.writes.empty());
  profiles(true);
  cgGLSetParameter3fv(renderer.lightPosParam, value);  // in use: applied at once
  cgGLDisableProfile(renderer.vertexProfile);          // the fragment stage alone needs it too
  cgGLEnableProfile(renderer.vertexProfile);           // nothing new for the pair
  const decltype(backend.writes) writes = {{pair, -0.25f}, {pair, -0.25f}, {fragmentAlone, -0.25f}};
  EXPECT_EQ(backend.writes, writes);
}

}  // namespace
