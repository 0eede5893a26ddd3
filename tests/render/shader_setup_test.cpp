#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cg/shader_backend.h"
#include "render/vol_render.h"
#include "tests/cg/shader_folder.h"

namespace {

// A shader backend without GL that records what the runtime asks of it.
struct FakeShaderBackend : cgrt::ShaderBackend {
  std::string extensions;
  bool pairsLink = true;                             // false: two stages never link together
  unsigned shaders = 0;                              // names handed out
  std::vector<std::pair<unsigned, unsigned>> links;  // program n is links[n - 1]
  unsigned current = 0;
  std::vector<std::pair<unsigned, float>> writes;  // program, second component of the value

  std::string Version() override { return "2.1 Fake"; }
  std::string Extensions() override { return extensions; }
  std::vector<std::string> sources;                  // of every compile, in order
  unsigned CompileShader(cgrt::Stage, const std::string& source, std::string&) override {
    sources.push_back(source);
    return ++shaders;
  }
  unsigned LinkProgram(unsigned vertex, unsigned fragment, std::string& log) override {
    log = vertex && fragment && !pairsLink ? "varyings differ" : "";
    if (log.empty()) links.emplace_back(vertex, fragment);
    return log.empty() ? static_cast<unsigned>(links.size()) : 0;
  }
  int UniformLocation(unsigned, const char*) override { return 7; }
  void UseProgram(unsigned program) override { current = program; }
  void SetUniform1i(int, int) override {}
  void SetUniform3fv(int, const float* v) override { writes.emplace_back(current, v[1]); }
};

// The renderer's shader set-up on the fake backend.
class ShaderSetup : public ShaderFolder {
protected:
  void SetUp() override {
    ShaderFolder::SetUp();
    Reset("GL_ARB_vertex_program GL_ARB_fragment_program");
  }
  void Reset(const std::string& extensions) {
    backend = FakeShaderBackend();
    backend.extensions = extensions;
    cgrt::ResetRuntime(&backend);
    renderer.vertexProfile = renderer.fragmentProfile = CG_PROFILE_UNKNOWN;
  }

  FakeShaderBackend backend;
};

TEST_F(ShaderSetup, ProfileFallBackOrdersAndMissingProfiles) {
  const std::string unsupported = "|Extensions non supportees";
  const std::string noVertex = "Impossible d'initialiser le Vertex Shader" + unsupported;
  const std::string noFragment = "Fragment programming extensions (GL_ARB_fragment_program or "
                                 "GL_NV_fragment_program) not supported" + unsupported;
  const std::string nv1 = "GL_NV_vertex_program1_1 ", nv2 = "GL_NV_vertex_program2 ",
                    arbv = "GL_ARB_vertex_program ", arbf = "GL_ARB_fragment_program ",
                    nvf = "GL_NV_fragment_program ", fp20 = "GL_NV_register_combiners GL_NV_texture_shader ";
  const std::tuple<std::string, std::string, CGprofile, CGprofile> cases[] = {
      {nv1 + nv2 + arbv + arbf + fp20 + nvf, "", CG_PROFILE_ARBVP1, CG_PROFILE_FP30},
      {nv1 + nv2 + arbf + fp20, "", CG_PROFILE_VP30, CG_PROFILE_FP20},
      // Only whole words count, however spaced; the combiners alone are not enough.
      {"GL_NV_vertex_program2_option\tGL_NV_vertex_program1_1\nGL_NV_fragment_program2 "
       "GL_NV_texture_shader " + arbf, "", CG_PROFILE_VP20, CG_PROFILE_ARBFP1},
      {arbf + nvf, noVertex, CG_PROFILE_UNKNOWN, CG_PROFILE_UNKNOWN},
      {arbv + "GL_NV_register_combiners", noFragment, CG_PROFILE_ARBVP1, CG_PROFILE_UNKNOWN},
  };
  for (const auto& [extensions, thrown, vertex, fragment] : cases) {
    SCOPED_TRACE(extensions);
    Reset(extensions);
    EXPECT_EQ(std::make_tuple(Thrown(), renderer.vertexProfile, renderer.fragmentProfile),
              std::make_tuple(thrown, vertex, fragment));
    // Each stage is linked alone when loaded, then the pair (program 3) when enabled.
    EXPECT_EQ(backend.links.size(), thrown.empty() ? 3u : vertex != CG_PROFILE_UNKNOWN);
    EXPECT_EQ(backend.current, thrown.empty() ? 3u : 0u);
  }
}

// A missing vertex file stops the set-up before the fragment profile is
// chosen; a pair that does not link is reported, not left to fixed function.
// An empty error text is kept, a null one replaced.
TEST_F(ShaderSetup, ErrorsCarryTheirTextAndListing) {
  ASSERT_EQ(unlink("volrendVert.cg"), 0);
  EXPECT_EQ(Thrown(), "The file could not be read.|volrendVert.cg: cannot open file");
  EXPECT_EQ(renderer.fragmentProfile, CG_PROFILE_UNKNOWN);
  Write("volrendVert.cg", "void main() {}\n");
  backend.pairsLink = false;
  EXPECT_EQ(Thrown(), "The program could not be loaded.|varyings differ");
  // With no listing, or no text, the texts fall back.
  renderer.cgContext = cgCreateContext();
  cgGLLoadProgram(nullptr);
  EXPECT_EQ(Thrown(&VolRender::CheckCgError), "#Erreur indefinie#|");
  EXPECT_EQ(Thrown(&VolRender::CheckCgError), "");  // reading cleared it
  const VolRender::CgError given("message", "listing"), noText(nullptr, "listing");
  const VolRender::Error plain("message"), none, empty("");  // the renderer's other error, alike
  EXPECT_EQ(given.message + given.listing + noText.message + noText.listing,
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
  const decltype(backend.writes) writes = {{pair, -.25f}, {pair, -.25f}, {fragmentAlone, -.25f}};
  EXPECT_EQ(backend.writes, writes);
}

// Other render modes compile the same file once more with their define
// ahead of it, line numbers kept; a mode this GL cannot draw is refused and
// nothing is compiled for it. Compiler options that are not well-formed -D
// are errors.
TEST_F(ShaderSetup, ModeVariantsAreTheSameFileWithADefine) {
  renderer.InitShaders();
  EXPECT_TRUE(renderer.PrepareRenderMode(RenderMode::Iso));
  ASSERT_EQ(backend.sources.size(), 3u);
  const std::string composite = backend.sources[1], iso = backend.sources[2];
  EXPECT_EQ(iso, "#version 120\n#define ISO_SURFACE\n" + composite.substr(13));
  EXPECT_TRUE(renderer.PrepareRenderMode(RenderMode::Composite));
  EXPECT_TRUE(renderer.PrepareRenderMode(RenderMode::Iso));  // compiled once only
  EXPECT_EQ(backend.sources.size(), 3u);
  // No GL here, so no blend equations: maximum is refused.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(renderer.PrepareRenderMode(RenderMode::Maximum));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "This OpenGL has no GL_EXT_blend_minmax: mip mode is not available\n");
  EXPECT_EQ(backend.sources.size(), 3u);

  for (const char* option : {"-D", "-D=1", "-d", "-DX"}) {
    const char* args[] = {option, nullptr};
    const CGprogram program = cgCreateProgramFromFile(renderer.cgContext, CG_SOURCE, "volrendFrag.cg",
                                                      renderer.fragmentProfile, nullptr, args);
    EXPECT_EQ(program == nullptr, std::string(option) != "-DX") << option;
    cgGetError();
  }
}

}  // namespace
