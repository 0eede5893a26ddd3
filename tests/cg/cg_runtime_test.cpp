#include "cg/cg_runtime.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_shader_backend.h"
#include "shader_files.h"

namespace {

class CgRuntime : public ::testing::Test {
protected:
  void SetUp() override {
    cgrt::ResetRuntime(&backend);
    context = cgCreateContext();
  }
  void TearDown() override { cgrt::ResetRuntime(nullptr); }

  CGprogram Load(const std::string& text, CGprofile profile) {
    const std::string path = files.Write("p" + std::to_string(backend.sources.size()), text);
    CGprogram program =
        cgCreateProgramFromFile(context, CG_SOURCE, path.c_str(), profile, nullptr, nullptr);
    cgGLLoadProgram(program);
    cgGLBindProgram(program);
    return program;
  }

  FakeShaderBackend backend;
  ShaderFiles files;
  CGcontext context = nullptr;
};

TEST_F(CgRuntime, FirstErrorStaysPendingUntilReadAndKeepsItsListing) {
  EXPECT_EQ(cgCreateProgramFromFile(context, CG_SOURCE, "volrendFrag.cg", CG_PROFILE_ARBFP1,
                                    nullptr, nullptr),
            nullptr);
  cgGLLoadProgram(nullptr);  // the follow-on failure must not hide the cause
  const CGerror error = cgGetError();
  EXPECT_EQ(error, CG_FILE_READ_ERROR);
  EXPECT_STREQ(cgGetErrorString(error), "The file could not be read.");
  EXPECT_STREQ(cgGetLastListing(context), "volrendFrag.cg: cannot open file");
  EXPECT_EQ(cgGetError(), CG_NO_ERROR);
}

// The pair is linked once and used while both profiles are enabled; a
// parameter set between frames reaches each linked program on its next use.
TEST_F(CgRuntime, EnabledPairIsLinkedOnceAndParametersReachEachProgram) {
  Load("void main() {}\n", CG_PROFILE_ARBVP1);
  CGprogram fragment = Load("uniform vec3 lightPos;\nvoid main() {}\n", CG_PROFILE_ARBFP1);
  auto enableBoth = [] {
    cgGLEnableProfile(CG_PROFILE_ARBVP1), cgGLEnableProfile(CG_PROFILE_ARBFP1);
  };
  for (int frame = 0; frame < 3; ++frame) {
    enableBoth();
    EXPECT_EQ(backend.current, backend.PairOf(1, 2));
    cgGLDisableProfile(CG_PROFILE_ARBVP1), cgGLDisableProfile(CG_PROFILE_ARBFP1);
    EXPECT_EQ(backend.current, 0u);
  }
  EXPECT_EQ(backend.links.size(), 3u);  // each stage alone when loaded, then the pair

  CGparameter light = cgGetNamedParameter(fragment, "lightPos");
  const float value[3] = {0.5f, -0.25f, -0.5f};
  cgGLSetParameter3fv(light, value);  // between frames: nothing in use yet
  EXPECT_TRUE(backend.writes.empty());
  enableBoth();
  ASSERT_EQ(backend.writes.size(), 1u);
  EXPECT_EQ(backend.writes[0].first, backend.PairOf(1, 2));
  EXPECT_EQ(backend.writes[0].second[1], -0.25f);
  cgGLSetParameter3fv(light, value);      // in use: applied at once
  cgGLDisableProfile(CG_PROFILE_ARBVP1);  // the fragment stage alone needs it too
  cgGLEnableProfile(CG_PROFILE_ARBVP1);   // nothing new for the pair
  ASSERT_EQ(backend.writes.size(), 3u);
  EXPECT_EQ(backend.writes[2].first, backend.PairOf(0, 2));
}

}  // namespace
