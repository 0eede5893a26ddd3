// The program's plugins against a driver that resolves everything but lists
// GL_EXT_texture3D nowhere, and GL_ARB_multitexture only as the start of a
// longer name.
#include <gtest/gtest.h>

#include "tests/glux/fake_platform.h"

namespace {

// isLoaded() before any GL context (no extension string) loads without the
// accept flag and without crashing, and that result stands.
TEST(GluxDevelopmentTest, IsLoadedBeforeAnyContextDecidesWhatGluxInitReports) {
  fake::install(nullptr);
  EXPECT_FALSE(gluxRegistry->at("GL_EXT_texture3D")->isLoaded());
  fake::install("GL_ARB_imaging GL_ARB_multitexture_extended GL_EXT_texture");
  // A prefix of a longer listed name passes the plain substring test: [ OK ], not [DEVL].
  EXPECT_EQ(fake::initOutput(GLUX_ACCEPT_DEVELOPMENT),
            fake::report("[ OK ] GL_ARB_multitexture\n[FAIL] GL_EXT_texture3D\n"));
  // Not counted as loaded, yet every pointer reaches the driver.
  for (const auto& [name, reachesDriver] : fake::entryPointStates())
    EXPECT_TRUE(reachesDriver) << name;
}

}  // namespace
