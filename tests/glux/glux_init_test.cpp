// gluxInit and the registry on plugins of the test's own making, and the
// fatal stubs the entry points hold before any load.
#include <gtest/gtest.h>

#include "tests/glux/fake_platform.h"
#include "tests/glux/scripted_plugin.h"

namespace {

using testing::ExitedWithCode;

class GluxInitTest : public testing::Test {
protected:
  void SetUp() override { fake::install("GL_ARB_multitexture GL_EXT_texture3D"); }
  ScopedEmptyRegistry registry;
};

using GluxInitDeathTest = GluxInitTest;

TEST_F(GluxInitDeathTest, RequiredFailureOrNoContextEndsTheProcess) {
  ScriptedPlugin optionalFailing("GL_a", false, {false, true});
  ScriptedPlugin requiredDevelopment("GL_b", true, {true, false});
  ScriptedPlugin requiredFine("GL_c", true);
  for (ScriptedPlugin* p : {&requiredFine, &requiredDevelopment, &optionalFailing})
    gluxRegisterPlugin(p);
  const std::string lines = "[FAIL] GL_a\n[FAIL] GL_b (required)\n[ OK ] GL_c (required)\n";
  // No closing banner on either path.
  EXPECT_EXIT(gluxInit(0), ExitedWithCode(255),
              testing::Eq(fake::kOpening + "-> initializing extensions\n" + lines +
                          "Failed to load at least one required extension !\n" +
                          fake::boxOutput("Sorry, gluX cannot find required extensions", lines,
                                          true)));
  fake::install(nullptr);
  EXPECT_EXIT(gluxInit(0), ExitedWithCode(255),
              testing::Eq(fake::kOpening +
                          "OpenGL should be initialized before calling gluxInit() !\n"));
}

TEST_F(GluxInitTest, OptionalFailuresAreReportedAndTheProgramGoesOn) {
  EXPECT_EQ(fake::initOutput(0), fake::kOpening +
                                     "-> No Plugin loaded: you have to use GLUX_LOAD or "
                                     "GLUX_REQUIRE before using extensions.\n" +
                                     fake::kBanner + "\n");
  ScriptedPlugin unresolved("GL_unresolved", false, {false, true});
  ScriptedPlugin unlisted("GL_unlisted", false, {true, false});
  ScriptedPlugin fine("GL_fine", false), requiredFine("GL_required", true);
  for (ScriptedPlugin* p : {&unresolved, &unlisted, &fine, &requiredFine}) gluxRegisterPlugin(p);
  EXPECT_EQ(fake::initOutput(0),
            fake::report("[ OK ] GL_fine\n[ OK ] GL_required (required)\n"
                         "[FAIL] GL_unlisted\n[FAIL] GL_unresolved\n"));
}

TEST_F(GluxInitTest, AcceptedDevelopmentIsTaggedAndSatisfiesRequired) {
  ScriptedPlugin unlisted("GL_unlisted", true, {true, false});
  ScriptedPlugin unresolved("GL_unresolved", false, {false, false});
  gluxRegisterPlugin(&unlisted);
  gluxRegisterPlugin(&unresolved);
  EXPECT_EQ(fake::initOutput(GLUX_ACCEPT_DEVELOPMENT),
            fake::report("[DEVL] GL_unlisted (required)\n[FAIL] GL_unresolved\n"));
}

// Keys in byte order; a duplicate name keeps the first and links the later,
// which inherits required from it (not the reverse) and loads through it.
TEST_F(GluxInitTest, RegistryOrdersKeysAndLinksDuplicates) {
  ScriptedPlugin requiredFirst("GL_x", true, {false, true}), optionalLater("GL_x", false);
  ScriptedPlugin optionalFirst("GL_a", false), requiredLater("GL_a", true), upperB("GL_B", false);
  // The same object registered again must not become its own duplicate.
  for (ScriptedPlugin* p : {&requiredFirst, &optionalLater, &requiredFirst, &optionalFirst,
                            &requiredLater, &upperB})
    gluxRegisterPlugin(p);
  std::vector<std::pair<std::string, GluxPlugin*>> entries(gluxRegistry->begin(),
                                                           gluxRegistry->end());
  EXPECT_EQ(entries, (decltype(entries){{"GL_B", &upperB}, {"GL_a", &optionalFirst},
                                        {"GL_x", &requiredFirst}}));
  EXPECT_TRUE(optionalLater.isRequired() && !optionalFirst.isRequired());
  EXPECT_FALSE(optionalLater.load(0));
  EXPECT_TRUE(requiredLater.load(0));
  for (ScriptedPlugin* p : {&requiredFirst, &optionalFirst}) EXPECT_EQ(p->resolutions, 1);
}

TEST(GluxStubDeathTest, EntryPointsEndTheProcessBeforeLoading) {
  EXPECT_EXIT(glActiveTextureARB(GL_TEXTURE0_ARB), ExitedWithCode(255),
              testing::Eq(fake::stubOutput("GL_ARB_multitexture", "glActiveTextureARB")));
  EXPECT_EXIT(glTexImage3DEXT(GL_TEXTURE_3D_EXT, 0, GL_RGBA, 1, 1, 1, 0, GL_RGBA,
                              GL_UNSIGNED_BYTE, nullptr),
              ExitedWithCode(255),
              testing::Eq(fake::stubOutput("GL_EXT_texture3D", "glTexImage3DEXT")));
}

}  // namespace
