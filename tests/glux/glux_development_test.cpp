// The program's plugins against a driver that resolves everything but lists
// GL_EXT_texture3D nowhere, and GL_ARB_multitexture only as the start of a
// longer name.
#include <gtest/gtest.h>

#include "glux/glux.h"
#include "glux/glux_multitexture.h"
#include "glux/glux_texture3d.h"
#include "tests/glux/fake_platform.h"

namespace {

using testing::ExitedWithCode;

const char kExtensions[] = "GL_ARB_imaging GL_ARB_multitexture_extended GL_EXT_texture";

GluxPlugin& registered(const char* name) {
  return *gluxRegistry->at(name);
}

// Death tests run first, while the parent has loaded nothing yet, so each
// child starts from fresh plugins.
TEST(GluxDevelopmentDeathTest, AcceptedUnlistedExtensionIsTaggedDevelopment) {
  fake::install(kExtensions);
  EXPECT_EXIT(
      {
        gluxInit(GLUX_ACCEPT_DEVELOPMENT);
        std::exit(registered("GL_EXT_texture3D").isLoaded() ? 0 : 1);
      },
      ExitedWithCode(0),
      fake::stderrIs(kReportOpening + "-> initializing extensions\n" +
                     "[ OK ] GL_ARB_multitexture\n"
                     "[DEVL] GL_EXT_texture3D\n" +
                     kReportClosing));
}

TEST(GluxDevelopmentDeathTest, RequiringAnUnlistedExtensionEndsTheProcess) {
  fake::install(kExtensions);
  const std::string line = "[FAIL] GL_EXT_texture3D (required)\n";
  EXPECT_EXIT(
      {
        gluxRegistry->clear();
        GluxTexture3DPlugin required(true);
        gluxInit(0);
      },
      ExitedWithCode(255),
      fake::stderrIs(kReportOpening + "-> initializing extensions\n" + line +
                     "Failed to load at least one required extension !\n" +
                     fake::boxOutput("Sorry, gluX cannot find required extensions", line,
                                     true)));
}

TEST(GluxDevelopmentDeathTest, LoadingWithoutAContextCountsAsUnlisted) {
  fake::install(nullptr);
  EXPECT_EXIT(
      {
        GluxPlugin& multitexture = registered("GL_ARB_multitexture");
        const bool loaded = multitexture.isLoaded();
        std::exit(!loaded && multitexture.isDevelopment() ? 0 : 1);
      },
      ExitedWithCode(0), fake::stderrIs(""));
}

TEST(GluxDevelopmentTest, EarlyIsLoadedDecidesWhatGluxInitReports) {
  fake::install(kExtensions);
  GluxPlugin& texture3D = registered("GL_EXT_texture3D");
  EXPECT_FALSE(texture3D.isLoaded());
  EXPECT_TRUE(texture3D.isDevelopment());

  testing::internal::CaptureStderr();
  gluxInit(GLUX_ACCEPT_DEVELOPMENT);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            kReportOpening + "-> initializing extensions\n" +
                "[ OK ] GL_ARB_multitexture\n"
                "[FAIL] GL_EXT_texture3D\n" +
                kReportClosing);
  // A prefix of a longer listed name passes the plain substring test.
  EXPECT_FALSE(registered("GL_ARB_multitexture").isDevelopment());
  // Not counted as loaded, yet the pointers do reach the driver.
  EXPECT_TRUE(fake::reachesDriver(glTexImage3DEXT));
  EXPECT_TRUE(fake::reachesDriver(glTexSubImage3DEXT));
  EXPECT_TRUE(fake::reachesDriver(glActiveTextureARB));
}

}  // namespace
