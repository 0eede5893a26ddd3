// gluxInit and the registry on plugins of the test's own making.
#include <gtest/gtest.h>

#include <utility>

#include "tests/glux/fake_platform.h"

namespace {

using testing::Eq;
using testing::ExitedWithCode;

// A plugin whose load outcome the test sets; unlisted, it resolves as development.
struct ScriptedPlugin : GluxPlugin {
  ScriptedPlugin(const char* extension, bool required, bool resolves = true, bool listed = true)
      : GluxPlugin(required), resolves(resolves), listed(listed) {
    name = extension;
  }
  bool loadEntryPoints() override {
    ++resolutions;
    development = !listed;
    return resolves;
  }
  const bool resolves, listed;
  int resolutions = 0;
};

// Lines in byte order of the names. A duplicate name keeps the first and links
// the later, which inherits required from it (not the reverse) and loads through it.
TEST(GluxInitDeathTest, ReportsEachOutcomeAndEndsTheProcessWhenARequiredOneFails) {
  // An empty registry of the test's own: the program's declarations stay unseen.
  delete std::exchange(gluxRegistry, nullptr);
  fake::install("GL_ARB_multitexture GL_EXT_texture3D");
  EXPECT_EQ(fake::initOutput(0), fake::kOpening +
                                     "-> No Plugin loaded: you have to use GLUX_LOAD or "
                                     "GLUX_REQUIRE before using extensions.\n" +
                                     fake::kBanner + "\n");
  ScriptedPlugin unresolved("GL_unresolved", false, false), laterResolving("GL_unresolved", false);
  ScriptedPlugin required("GL_Required", true), laterOptional("GL_Required", false);
  ScriptedPlugin fine("GL_fine", false), laterRequired("GL_fine", true);
  ScriptedPlugin unlisted("GL_Unlisted", true, true, false);
  // The same object registered again must not become its own duplicate.
  for (ScriptedPlugin* p : {&unresolved, &unlisted, &fine, &required, &required, &laterOptional,
                            &laterRequired, &laterResolving})
    gluxRegisterPlugin(p);
  // Unaccepted development fails; required, it ends the process after a box
  // and without the closing banner.
  const std::string lines = "[ OK ] GL_Required (required)\n[FAIL] GL_Unlisted (required)\n"
                            "[ OK ] GL_fine\n[FAIL] GL_unresolved\n";
  const std::string box =
      fake::boxOutput("Sorry, gluX cannot find required extensions", lines, true);
  EXPECT_EXIT(gluxInit(0), ExitedWithCode(255),
              Eq(fake::report(lines, "Failed to load at least one required extension !\n" + box)));
  // Accepted, it satisfies required and the program goes on.
  EXPECT_EQ(fake::initOutput(GLUX_ACCEPT_DEVELOPMENT),
            fake::report("[ OK ] GL_Required (required)\n[DEVL] GL_Unlisted (required)\n"
                         "[ OK ] GL_fine\n[FAIL] GL_unresolved\n"));
  EXPECT_TRUE(laterOptional.isRequired());
  EXPECT_FALSE(laterResolving.load(0));
  for (ScriptedPlugin* p : {&unresolved, &required}) EXPECT_EQ(p->resolutions, 1);
  fake::install(nullptr);
  EXPECT_EXIT(gluxInit(0), ExitedWithCode(255),
              Eq(fake::kOpening + "OpenGL should be initialized before calling gluxInit() !\n"));
}

}  // namespace
