// The driver lists both extensions but cannot resolve glMultiTexCoord2fARB:
// the load stops there, and what was resolved before it stays resolved.
#include <gtest/gtest.h>

#include "tests/glux/fake_platform.h"

namespace {

TEST(GluxPartialFailureDeathTest, MultitextureFailsAtTheMissingEntryPointAndTheProgramGoesOn) {
  fake::install("GL_ARB_multitexture GL_EXT_texture3D", "glMultiTexCoord2fARB");
  EXPECT_EQ(fake::initOutput(0),
            fake::report("[FAIL] GL_ARB_multitexture\n[ OK ] GL_EXT_texture3D\n"));
  // Spelt out here rather than taken from the plugins' own lists.
  std::vector<std::string> resolved = {"glActiveTextureARB", "glClientActiveTextureARB"};
  for (const char* type : {"d", "dv", "f", "fv", "i", "iv", "s", "sv"})
    resolved.push_back(std::string("glMultiTexCoord1") + type + "ARB");
  resolved.insert(resolved.end(), {"glMultiTexCoord2dARB", "glMultiTexCoord2dvARB"});
  std::vector<std::string> lookups = resolved;
  lookups.push_back("glMultiTexCoord2fARB");
  for (const char* name : {"glTexImage3DEXT", "glTexSubImage3DEXT"}) {
    lookups.push_back(name);
    resolved.push_back(name);
  }
  EXPECT_EQ(fake::gLookups, lookups);
  std::vector<std::string> reaching;
  for (const auto& [name, reachesDriver] : fake::entryPointStates())
    if (reachesDriver) reaching.push_back(name);
  EXPECT_EQ(reaching, resolved);

  const GLint iv[4] = {0, 0, 0, 1};
  EXPECT_EXIT(glMultiTexCoord2fARB(GL_TEXTURE1_ARB, 0.5f, 0.5f), testing::ExitedWithCode(255),
              testing::Eq(fake::stubOutput("GL_ARB_multitexture", "glMultiTexCoord2fARB")));
  EXPECT_EXIT(glMultiTexCoord4ivARB(GL_TEXTURE1_ARB, iv), testing::ExitedWithCode(255),
              testing::Eq(fake::stubOutput("GL_ARB_multitexture", "glMultiTexCoord4ivARB")));
}

}  // namespace
