// The driver lists both extensions but cannot resolve glMultiTexCoord2fARB:
// the load stops there, and what was resolved before it stays resolved.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/glux/fake_platform.h"

namespace {

using testing::ExitedWithCode;

TEST(GluxPartialFailureDeathTest, MultitextureFailsAtTheMissingEntryPointAndTheProgramGoesOn) {
  fake::install("GL_ARB_multitexture GL_EXT_texture3D", "glMultiTexCoord2fARB");
  EXPECT_EQ(fake::initOutput(0),
            fake::report("[FAIL] GL_ARB_multitexture\n[ OK ] GL_EXT_texture3D\n"));

  const std::vector<std::string> all = fake::allEntryPoints();
  const auto missing = std::find(all.begin(), all.end(), "glMultiTexCoord2fARB");
  std::vector<std::string> expectedLookups(all.begin(), missing + 1);
  expectedLookups.insert(expectedLookups.end(), {"glTexImage3DEXT", "glTexSubImage3DEXT"});
  EXPECT_EQ(fake::gLookups, expectedLookups);

  for (const auto& [name, reachesDriver] : fake::entryPointStates()) {
    const bool resolved = std::find(all.begin(), missing, name) != missing ||
                          name.find("3DEXT") != std::string::npos;
    EXPECT_EQ(reachesDriver, resolved) << name;
  }

  // The failed entry point and all later ones keep their stubs.
  const std::string extension = "GL_ARB_multitexture";
  const GLint iv[4] = {0, 0, 0, 1};
  EXPECT_EXIT(glMultiTexCoord2fARB(GL_TEXTURE1_ARB, 0.5f, 0.5f), ExitedWithCode(255),
              testing::Eq(fake::stubOutput(extension, "glMultiTexCoord2fARB")));
  EXPECT_EXIT(glMultiTexCoord4ivARB(GL_TEXTURE1_ARB, iv), ExitedWithCode(255),
              testing::Eq(fake::stubOutput(extension, "glMultiTexCoord4ivARB")));
}

}  // namespace
