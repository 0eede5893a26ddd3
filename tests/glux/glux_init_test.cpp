// gluxInit's report and failure paths, on plugins of the test's own making,
// and the fatal stubs the entry points hold before any load.
#include <gtest/gtest.h>

#include "glux/glux.h"
#include "glux/glux_multitexture.h"
#include "glux/glux_texture3d.h"
#include "tests/glux/fake_platform.h"
#include "tests/glux/scripted_plugin.h"

namespace {

using Script = PluginScript;
using testing::ExitedWithCode;

std::string reportOf(std::int32_t flags) {
  testing::internal::CaptureStderr();
  gluxInit(flags);
  return testing::internal::GetCapturedStderr();
}

class GluxInitTest : public testing::Test {
protected:
  void SetUp() override { fake::install("GL_ARB_multitexture GL_EXT_texture3D"); }
  ScopedEmptyRegistry registry;
};

using GluxInitDeathTest = GluxInitTest;

TEST_F(GluxInitDeathTest, NoContextEndsAfterTheOpeningBanner) {
  fake::install(nullptr);
  ScriptedPlugin plugin("GL_x", true);
  gluxRegisterPlugin(&plugin);
  EXPECT_EXIT(gluxInit(0), ExitedWithCode(255),
              fake::stderrIs(kReportOpening +
                             "OpenGL should be initialized before calling gluxInit() !\n"));
  EXPECT_EQ(plugin.resolutions, 0);
}

TEST_F(GluxInitDeathTest, RequiredFailureShowsTheTaggedLinesInABoxAndExits) {
  ScriptedPlugin optionalFailing("GL_a", false, Script{false, true});
  ScriptedPlugin requiredDevelopment("GL_b", true, Script{true, false});
  ScriptedPlugin requiredFine("GL_c", true);
  for (ScriptedPlugin* p : {&requiredFine, &requiredDevelopment, &optionalFailing})
    gluxRegisterPlugin(p);

  const std::string lines =
      "[FAIL] GL_a\n"
      "[FAIL] GL_b (required)\n"
      "[ OK ] GL_c (required)\n";
  // No closing banner on this path.
  EXPECT_EXIT(gluxInit(0), ExitedWithCode(255),
              fake::stderrIs(kReportOpening + "-> initializing extensions\n" + lines +
                             "Failed to load at least one required extension !\n" +
                             fake::boxOutput("Sorry, gluX cannot find required extensions",
                                             lines, true)));
}

TEST_F(GluxInitTest, WithoutDeclarationsTheReportEndsNormally) {
  EXPECT_EQ(reportOf(0), kReportOpening +
                             "-> No Plugin loaded: you have to use GLUX_LOAD or GLUX_REQUIRE "
                             "before using extensions.\n" +
                             kReportClosing);
}

TEST_F(GluxInitTest, OptionalFailuresAreReportedAndTheProgramGoesOn) {
  ScriptedPlugin unresolved("GL_unresolved", false, Script{false, true});
  ScriptedPlugin unlisted("GL_unlisted", false, Script{true, false});
  ScriptedPlugin fine("GL_fine", false);
  ScriptedPlugin requiredFine("GL_required", true);
  for (ScriptedPlugin* p : {&unresolved, &unlisted, &fine, &requiredFine}) gluxRegisterPlugin(p);

  EXPECT_EQ(reportOf(0), kReportOpening + "-> initializing extensions\n" +
                             "[ OK ] GL_fine\n"
                             "[ OK ] GL_required (required)\n"
                             "[FAIL] GL_unlisted\n"
                             "[FAIL] GL_unresolved\n" +
                             kReportClosing);
}

TEST_F(GluxInitTest, AcceptedDevelopmentIsTaggedAndSatisfiesRequired) {
  ScriptedPlugin unlisted("GL_unlisted", true, Script{true, false});
  ScriptedPlugin unresolved("GL_unresolved", false, Script{false, false});
  gluxRegisterPlugin(&unlisted);
  gluxRegisterPlugin(&unresolved);

  EXPECT_EQ(reportOf(GLUX_ACCEPT_DEVELOPMENT),
            kReportOpening + "-> initializing extensions\n" +
                "[DEVL] GL_unlisted (required)\n"
                "[FAIL] GL_unresolved\n" +
                kReportClosing);
}

TEST_F(GluxInitTest, DuplicateDeclarationIsReportedOnceAsTheFirst) {
  ScriptedPlugin first("GL_dup", false, Script{false, true});
  ScriptedPlugin requiredLater("GL_dup", true, Script{true, true});
  gluxRegisterPlugin(&first);
  gluxRegisterPlugin(&requiredLater);

  // The failure of the first is not fatal: its own flag says optional.
  EXPECT_EQ(reportOf(0), kReportOpening + "-> initializing extensions\n" + "[FAIL] GL_dup\n" +
                             kReportClosing);
  EXPECT_FALSE(requiredLater.isLoaded());
  EXPECT_EQ(requiredLater.resolutions, 0);
}

std::string stubOutput(const char* extension, const char* function) {
  return std::string("FATAL: Extension ") + extension +
         " was not loaded or is not available.\n=> cannot use " + function + ".\n";
}

TEST(GluxStubDeathTest, EntryPointsEndTheProcessBeforeLoading) {
  EXPECT_EXIT(glActiveTextureARB(GL_TEXTURE0_ARB), ExitedWithCode(255),
              fake::stderrIs(stubOutput("GL_ARB_multitexture", "glActiveTextureARB")));
  const GLshort coords[4] = {1, 2, 3, 4};
  EXPECT_EXIT(glMultiTexCoord4svARB(GL_TEXTURE1_ARB, coords), ExitedWithCode(255),
              fake::stderrIs(stubOutput("GL_ARB_multitexture", "glMultiTexCoord4svARB")));
  EXPECT_EXIT(glTexImage3DEXT(GL_TEXTURE_3D_EXT, 0, GL_RGBA, 1, 1, 1, 0, GL_RGBA,
                              GL_UNSIGNED_BYTE, nullptr),
              ExitedWithCode(255),
              fake::stderrIs(stubOutput("GL_EXT_texture3D", "glTexImage3DEXT")));
  EXPECT_EXIT(glTexSubImage3DEXT(GL_TEXTURE_3D_EXT, 0, 0, 0, 0, 1, 1, 1, GL_RGBA,
                                 GL_UNSIGNED_BYTE, nullptr),
              ExitedWithCode(255),
              fake::stderrIs(stubOutput("GL_EXT_texture3D", "glTexSubImage3DEXT")));
}

}  // namespace
