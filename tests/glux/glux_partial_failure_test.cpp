// The driver lists both extensions but cannot resolve glMultiTexCoord2fARB:
// the load stops there, and what was resolved before it stays resolved.
#include <gtest/gtest.h>

#include "glux/glux.h"
#include "glux/glux_multitexture.h"
#include "glux/glux_texture3d.h"
#include "tests/glux/fake_platform.h"

namespace {

using testing::ExitedWithCode;

struct Startup {
  std::string report;
  std::vector<std::string> lookups;
};

// Runs once per process: the program's plugins load only once.
const Startup& startup() {
  static const Startup result = [] {
    fake::install("GL_ARB_multitexture GL_EXT_texture3D");
    fake::failLookupOf("glMultiTexCoord2fARB");
    testing::internal::CaptureStderr();
    gluxInit(0);
    return Startup{testing::internal::GetCapturedStderr(), fake::lookups()};
  }();
  return result;
}

class GluxPartialFailureTest : public testing::Test {
protected:
  void SetUp() override { startup(); }
};

TEST_F(GluxPartialFailureTest, MultitextureFailsAndTheProgramGoesOn) {
  EXPECT_EQ(startup().report, kReportOpening + "-> initializing extensions\n" +
                         "[FAIL] GL_ARB_multitexture\n"
                         "[ OK ] GL_EXT_texture3D\n" +
                         kReportClosing);
}

TEST_F(GluxPartialFailureTest, LookupsStopAtTheMissingEntryPoint) {
  const std::vector<std::string> expected = {
      "glActiveTextureARB",    "glClientActiveTextureARB", "glMultiTexCoord1dARB",
      "glMultiTexCoord1dvARB", "glMultiTexCoord1fARB",     "glMultiTexCoord1fvARB",
      "glMultiTexCoord1iARB",  "glMultiTexCoord1ivARB",    "glMultiTexCoord1sARB",
      "glMultiTexCoord1svARB", "glMultiTexCoord2dARB",     "glMultiTexCoord2dvARB",
      "glMultiTexCoord2fARB",  "glTexImage3DEXT",          "glTexSubImage3DEXT"};
  EXPECT_EQ(startup().lookups, expected);
}

TEST_F(GluxPartialFailureTest, PointersBeforeTheFailureReachTheDriver) {
  EXPECT_TRUE(fake::reachesDriver(glActiveTextureARB));
  EXPECT_TRUE(fake::reachesDriver(glClientActiveTextureARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord1dARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord1dvARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord1fARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord1fvARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord1iARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord1ivARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord1sARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord1svARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord2dARB));
  EXPECT_TRUE(fake::reachesDriver(glMultiTexCoord2dvARB));
  EXPECT_TRUE(fake::reachesDriver(glTexImage3DEXT));
  EXPECT_TRUE(fake::reachesDriver(glTexSubImage3DEXT));
}

std::string multitextureStub(const char* function) {
  return std::string("FATAL: Extension GL_ARB_multitexture was not loaded or is not "
                     "available.\n=> cannot use ") +
         function + ".\n";
}

using GluxPartialFailureDeathTest = GluxPartialFailureTest;

TEST_F(GluxPartialFailureDeathTest, TheFailedOneAndAllLaterOnesKeepTheirStubs) {
  const GLfloat v[4] = {0, 0, 0, 1};
  const GLint iv[4] = {0, 0, 0, 1};
  EXPECT_EXIT(glMultiTexCoord2fARB(GL_TEXTURE1_ARB, 0.5f, 0.5f), ExitedWithCode(255),
              fake::stderrIs(multitextureStub("glMultiTexCoord2fARB")));
  EXPECT_EXIT(glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, v), ExitedWithCode(255),
              fake::stderrIs(multitextureStub("glMultiTexCoord2fvARB")));
  EXPECT_EXIT(glMultiTexCoord3iARB(GL_TEXTURE1_ARB, 1, 2, 3), ExitedWithCode(255),
              fake::stderrIs(multitextureStub("glMultiTexCoord3iARB")));
  EXPECT_EXIT(glMultiTexCoord4ivARB(GL_TEXTURE1_ARB, iv), ExitedWithCode(255),
              fake::stderrIs(multitextureStub("glMultiTexCoord4ivARB")));
  EXPECT_EXIT(glMultiTexCoord4svARB(GL_TEXTURE1_ARB, nullptr), ExitedWithCode(255),
              fake::stderrIs(multitextureStub("glMultiTexCoord4svARB")));
}

}  // namespace
