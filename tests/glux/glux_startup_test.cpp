// The program's own two declarations, loaded against a driver that offers
// both extensions. This executable calls nothing of gluX but gluxInit, so it
// also shows that the declarations are linked in with it.
#include <gtest/gtest.h>

#include "tests/glux/fake_platform.h"

namespace {

TEST(GluxStartupTest, BothExtensionsLoadAndEveryPointerReachesTheDriver) {
  ASSERT_NE(gluxRegistry, nullptr);
  ASSERT_EQ(gluxRegistry->size(), 2u);

  fake::install("GL_ARB_imaging GL_ARB_multitexture GL_EXT_texture3D GL_EXT_bgra");
  const std::string report = fake::initOutput(0);
  // In registry key order; within an extension in its published order.
  EXPECT_EQ(report, fake::report("[ OK ] GL_ARB_multitexture\n[ OK ] GL_EXT_texture3D\n"));
  EXPECT_EQ(fake::gLookups, fake::allEntryPoints());
  for (const auto& [name, reachesDriver] : fake::entryPointStates())
    EXPECT_TRUE(reachesDriver) << name;

  // A further call repeats the report from the cached results.
  EXPECT_EQ(fake::initOutput(GLUX_ACCEPT_DEVELOPMENT), report);
  EXPECT_EQ(fake::gLookups.size(), 36u);
}

}  // namespace
