// The plugin base class: load-once rule, linking, registration and the
// declaration macros.
#include <gtest/gtest.h>

#include <vector>

#include "glux/glux.h"
#include "tests/glux/scripted_plugin.h"

namespace {

TEST(GluxPluginTest, BasePluginIsUnnamedAndLoadsTrivially) {
  struct Bare : GluxPlugin { using GluxPlugin::GluxPlugin; } plugin(false);
  EXPECT_STREQ(plugin.getName(), "[unknown]");
  EXPECT_FALSE(plugin.isRequired() || plugin.isDevelopment());
  EXPECT_TRUE(plugin.isLoaded());
}

TEST(GluxPluginTest, LoadRunsOnceAndDevelopmentNeedsTheAcceptFlag) {
  struct Case { PluginScript script; std::int32_t flags; bool loaded; };
  const Case cases[] = {{{true, true}, 0, true},
                        {{true, false}, 0, false},
                        {{true, false}, GLUX_ACCEPT_DEVELOPMENT, true},
                        {{true, false}, 1 | 4 | 8, false},  // only the bit of value 2 counts
                        {{false, true}, GLUX_ACCEPT_DEVELOPMENT, false},
                        {{false, false}, GLUX_ACCEPT_DEVELOPMENT, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ScriptedPlugin plugin("GL_x", false, c.script);
    EXPECT_EQ(plugin.load(c.flags), c.loaded);
    EXPECT_EQ(plugin.isDevelopment(), !c.script.listed);
    // Later calls return the first result whatever their flags.
    EXPECT_EQ(plugin.load(c.flags ^ GLUX_ACCEPT_DEVELOPMENT), c.loaded);
    EXPECT_EQ(plugin.isLoaded(), c.loaded);
    EXPECT_EQ(plugin.resolutions, 1);
  }
}

TEST(GluxRegistryTest, FirstRegistrationCreatesItAndKeysAreInByteOrder) {
  ScopedEmptyRegistry scope;
  ASSERT_EQ(gluxRegistry, nullptr);
  ScriptedPlugin b("GL_b", false), aLonger("GL_a_longer", false), a("GL_a", false),
      upperB("GL_B", false);
  for (ScriptedPlugin* p : {&b, &aLonger, &a, &upperB}) gluxRegisterPlugin(p);
  ASSERT_NE(gluxRegistry, nullptr);
  std::vector<std::string> keys;
  for (const auto& entry : *gluxRegistry) keys.push_back(entry.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"GL_B", "GL_a", "GL_a_longer", "GL_b"}));
  EXPECT_EQ(gluxRegistry->at("GL_a"), &a);
}

TEST(GluxRegistryTest, DuplicateNameKeepsTheFirstAndLinksTheLater) {
  ScopedEmptyRegistry scope;
  ScriptedPlugin requiredFirst("GL_x", true, {false, true}), optionalLater("GL_x", false);
  ScriptedPlugin optionalFirst("GL_y", false), requiredLater("GL_y", true);
  // The same object registered again must not become its own duplicate.
  for (ScriptedPlugin* p :
       {&requiredFirst, &optionalLater, &requiredFirst, &optionalFirst, &requiredLater})
    gluxRegisterPlugin(p);
  ASSERT_EQ(gluxRegistry->size(), 2u);
  EXPECT_EQ(gluxRegistry->at("GL_x"), &requiredFirst);
  EXPECT_EQ(gluxRegistry->at("GL_y"), &optionalFirst);
  // A later plugin inherits required from the first but does not pass it on.
  EXPECT_TRUE(optionalLater.isRequired() && requiredLater.isRequired());
  EXPECT_FALSE(optionalFirst.isRequired());
  // Its load is the first one's, whatever the outcome.
  EXPECT_FALSE(optionalLater.load(0));
  EXPECT_TRUE(requiredLater.load(0));
  for (ScriptedPlugin* p : {&requiredFirst, &optionalFirst}) EXPECT_EQ(p->resolutions, 1);
  for (ScriptedPlugin* p : {&optionalLater, &requiredLater}) EXPECT_EQ(p->resolutions, 0);
}

// A plugin class declared through the macros, as extension code does.
struct ProbePlugin : ScriptedPlugin {
  explicit ProbePlugin(bool required) : ScriptedPlugin("GL_TEST_probe", required) {
    instances().push_back(this);
    gluxRegisterPlugin(this);
  }
  static std::vector<ProbePlugin*>& instances() {
    static std::vector<ProbePlugin*> all;
    return all;
  }
};

}  // namespace

using GluxPluginFor_GL_TEST_probe = ProbePlugin;
GLUX_LOAD(GL_TEST_probe);
GLUX_REQUIRE(GL_TEST_probe);

namespace {

TEST(GluxDeclarationTest, MacrosRegisterOncePerNameWithTheirRequiredFlag) {
  const auto& probes = ProbePlugin::instances();
  ASSERT_EQ(probes.size(), 2u);
  EXPECT_EQ(gluxRegistry->count("GL_TEST_probe"), 1u);
  EXPECT_EQ(gluxRegistry->at("GL_TEST_probe"), probes[0]);
  EXPECT_FALSE(probes[0]->isRequired());
  EXPECT_TRUE(probes[1]->isRequired());
  EXPECT_TRUE(probes[1]->isLoaded());
  EXPECT_EQ(probes[0]->resolutions, 1);
  EXPECT_EQ(probes[1]->resolutions, 0);
}

}  // namespace
