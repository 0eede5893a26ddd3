// The entry points hold fatal stubs until resolved. The driver lists both
// extensions but cannot resolve glMultiTexCoord2fARB: the load stops there,
// and what was resolved before it stays resolved.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/glux/fake_platform.h"

namespace {

TEST(GluxPartialFailureDeathTest, StubsUntilResolvedAndMultitextureStopsAtTheMissingEntryPoint) {
  EXPECT_EXIT(glTexImage3DEXT(0, 0, 0, 1, 1, 1, 0, 0, 0, nullptr), testing::ExitedWithCode(255),
              testing::Eq(fake::stubOutput("GL_EXT_texture3D", "glTexImage3DEXT")));
  fake::install("GL_ARB_multitexture GL_EXT_texture3D", "glMultiTexCoord2fARB");
  EXPECT_EQ(fake::initOutput(0),
            fake::report("[FAIL] GL_ARB_multitexture\n[ OK ] GL_EXT_texture3D\n"));
  // Looked up in declaration order up to the failing one; only those before it reach the driver.
  const std::vector<std::string> lookups = {
      "glActiveTextureARB", "glClientActiveTextureARB", "glMultiTexCoord1dARB",
      "glMultiTexCoord1dvARB", "glMultiTexCoord1fARB", "glMultiTexCoord1fvARB",
      "glMultiTexCoord1iARB", "glMultiTexCoord1ivARB", "glMultiTexCoord1sARB",
      "glMultiTexCoord1svARB", "glMultiTexCoord2dARB", "glMultiTexCoord2dvARB",
      "glMultiTexCoord2fARB", "glTexImage3DEXT", "glTexSubImage3DEXT"};
  EXPECT_EQ(fake::gLookups, lookups);
  for (const auto& [name, reachesDriver] : fake::entryPointStates())
    EXPECT_EQ(reachesDriver, name != "glMultiTexCoord2fARB" &&
                                 std::count(lookups.begin(), lookups.end(), name)) << name;
  // The failing entry point gets its stub back; those after it keep theirs.
  const GLint iv[4] = {0, 0, 0, 1};
  EXPECT_EXIT(glMultiTexCoord2fARB(GL_TEXTURE1_ARB, 0.5f, 0.5f), testing::ExitedWithCode(255),
              testing::Eq(fake::stubOutput("GL_ARB_multitexture", "glMultiTexCoord2fARB")));
  EXPECT_EXIT(glMultiTexCoord4ivARB(GL_TEXTURE1_ARB, iv), testing::ExitedWithCode(255),
              testing::Eq(fake::stubOutput("GL_ARB_multitexture", "glMultiTexCoord4ivARB")));
}

}  // namespace
