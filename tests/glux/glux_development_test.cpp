// The program's plugins against a driver that resolves everything but lists
// GL_EXT_texture3D nowhere, and GL_ARB_multitexture only as the start of a
// longer name.
#include <gtest/gtest.h>

#include "tests/glux/fake_platform.h"

namespace {

const char kExtensions[] = "GL_ARB_imaging GL_ARB_multitexture_extended GL_EXT_texture";

GluxPlugin& registered(const char* name) { return *gluxRegistry->at(name); }

// Death tests run first, while the parent has loaded nothing, so the child
// starts from fresh plugins.
TEST(GluxDevelopmentDeathTest, AcceptedUnlistedIsTaggedDevelopment) {
  fake::install(kExtensions);
  EXPECT_EXIT(
      {
        gluxInit(GLUX_ACCEPT_DEVELOPMENT);
        std::exit(registered("GL_EXT_texture3D").isLoaded() ? 0 : 1);
      },
      testing::ExitedWithCode(0),
      testing::Eq(fake::report("[ OK ] GL_ARB_multitexture\n[DEVL] GL_EXT_texture3D\n")));
}

// isLoaded() before any GL context (no extension string) loads without the
// accept flag and without crashing, and that result stands.
TEST(GluxDevelopmentTest, IsLoadedBeforeAnyContextDecidesWhatGluxInitReports) {
  fake::install(nullptr);
  EXPECT_FALSE(registered("GL_EXT_texture3D").isLoaded());
  fake::install(kExtensions);
  // A prefix of a longer listed name passes the plain substring test: [ OK ], not [DEVL].
  EXPECT_EQ(fake::initOutput(GLUX_ACCEPT_DEVELOPMENT),
            fake::report("[ OK ] GL_ARB_multitexture\n[FAIL] GL_EXT_texture3D\n"));
  // Not counted as loaded, yet every pointer reaches the driver.
  for (const auto& [name, reachesDriver] : fake::entryPointStates())
    EXPECT_TRUE(reachesDriver) << name;
}

}  // namespace
