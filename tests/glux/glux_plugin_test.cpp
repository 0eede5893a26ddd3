// The plugin base class: load-once rule, linking, registration and the
// declaration macros.
#include <gtest/gtest.h>

#include <vector>

#include "glux/glux.h"
#include "tests/glux/scripted_plugin.h"

namespace {

using Script = PluginScript;

struct BarePlugin : GluxPlugin {
  using GluxPlugin::GluxPlugin;
};

TEST(GluxPluginTest, BasePluginIsUnnamedAndLoadsTrivially) {
  BarePlugin optional(false);
  BarePlugin required(true);
  EXPECT_STREQ(optional.getName(), "[unknown]");
  EXPECT_FALSE(optional.isRequired());
  EXPECT_TRUE(required.isRequired());
  EXPECT_FALSE(optional.isDevelopment());
  EXPECT_TRUE(optional.isLoaded());
}

TEST(GluxPluginTest, LoadRunsOnceAndLaterFlagsAreIgnored) {
  ScriptedPlugin development("GL_x", false, Script{true, false});
  EXPECT_FALSE(development.isLoaded());  // loads with flags 0
  EXPECT_FALSE(development.load(GLUX_ACCEPT_DEVELOPMENT));
  EXPECT_EQ(development.resolutions, 1);

  ScriptedPlugin listed("GL_y", false);
  EXPECT_TRUE(listed.load(0));
  EXPECT_TRUE(listed.isLoaded());
  EXPECT_EQ(listed.resolutions, 1);
}

TEST(GluxPluginTest, DevelopmentCountsOnlyWithTheAcceptFlag) {
  ScriptedPlugin accepted("GL_x", false, Script{true, false});
  EXPECT_TRUE(accepted.load(GLUX_ACCEPT_DEVELOPMENT));
  EXPECT_TRUE(accepted.isDevelopment());

  // Only the bit of value 2 means anything.
  ScriptedPlugin otherBits("GL_x", false, Script{true, false});
  EXPECT_FALSE(otherBits.load(1 | 4 | 8));

  ScriptedPlugin unresolved("GL_x", false, Script{false, false});
  EXPECT_FALSE(unresolved.load(GLUX_ACCEPT_DEVELOPMENT));
}

TEST(GluxPluginTest, LinkedPluginDelegatesItsLoadAndInheritsRequired) {
  ScriptedPlugin first("GL_x", true, Script{false, true});
  ScriptedPlugin second("GL_x", false);
  second.linkTo(&first);
  EXPECT_TRUE(second.isRequired());
  EXPECT_FALSE(second.load(0));
  EXPECT_EQ(first.resolutions, 1);
  EXPECT_EQ(second.resolutions, 0);
  EXPECT_FALSE(first.load(0));
  EXPECT_EQ(first.resolutions, 1);

  ScriptedPlugin optionalFirst("GL_y", false);
  ScriptedPlugin requiredSecond("GL_y", true);
  requiredSecond.linkTo(&optionalFirst);
  EXPECT_TRUE(requiredSecond.isRequired());
  EXPECT_FALSE(optionalFirst.isRequired());
}

TEST(GluxRegistryTest, FirstRegistrationCreatesTheRegistry) {
  ScopedEmptyRegistry scope;
  ASSERT_EQ(gluxRegistry, nullptr);
  ScriptedPlugin plugin("GL_x", false);
  gluxRegisterPlugin(&plugin);
  ASSERT_NE(gluxRegistry, nullptr);
  ASSERT_EQ(gluxRegistry->size(), 1u);
  EXPECT_EQ(gluxRegistry->at("GL_x"), &plugin);
}

TEST(GluxRegistryTest, KeysAreInByteOrderWithPrefixesFirst) {
  ScopedEmptyRegistry scope;
  ScriptedPlugin lowerB("GL_b", false), lowerALonger("GL_a_longer", false),
      lowerA("GL_a", false), upperB("GL_B", false);
  for (ScriptedPlugin* p : {&lowerB, &lowerALonger, &lowerA, &upperB}) gluxRegisterPlugin(p);
  std::vector<std::string> keys;
  for (const auto& entry : *gluxRegistry) keys.push_back(entry.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"GL_B", "GL_a", "GL_a_longer", "GL_b"}));
}

TEST(GluxRegistryTest, DuplicateNameKeepsTheFirstAndLinksTheLater) {
  ScopedEmptyRegistry scope;
  ScriptedPlugin first("GL_x", false);
  ScriptedPlugin later("GL_x", true);
  gluxRegisterPlugin(&first);
  gluxRegisterPlugin(&later);
  ASSERT_EQ(gluxRegistry->size(), 1u);
  EXPECT_EQ(gluxRegistry->at("GL_x"), &first);
  // The later declaration's required flag does not reach the registered one.
  EXPECT_FALSE(first.isRequired());
  EXPECT_TRUE(later.load(0));
  EXPECT_EQ(first.resolutions, 1);
  EXPECT_EQ(later.resolutions, 0);
}

TEST(GluxRegistryTest, RegisteringThePluginAgainLeavesItLoadable) {
  ScopedEmptyRegistry scope;
  ScriptedPlugin plugin("GL_x", false);
  gluxRegisterPlugin(&plugin);
  gluxRegisterPlugin(&plugin);
  EXPECT_EQ(gluxRegistry->size(), 1u);
  EXPECT_TRUE(plugin.load(0));
  EXPECT_EQ(plugin.resolutions, 1);
}

// A plugin class declared through the macros, as extension code does.
class ProbePlugin : public GluxPlugin {
public:
  explicit ProbePlugin(bool required) : GluxPlugin(required) {
    instances().push_back(this);
    name = "GL_TEST_probe";
    gluxRegisterPlugin(this);
  }
  bool loadEntryPoints() override {
    ++resolutions;
    return true;
  }
  static std::vector<ProbePlugin*>& instances() {
    static std::vector<ProbePlugin*> all;
    return all;
  }
  int resolutions = 0;
};

}  // namespace

using GluxPluginFor_GL_TEST_probe = ProbePlugin;
GLUX_LOAD(GL_TEST_probe);
GLUX_REQUIRE(GL_TEST_probe);

namespace {

TEST(GluxDeclarationTest, MacrosRegisterOncePerNameWithTheirRequiredFlag) {
  const auto& probes = ProbePlugin::instances();
  ASSERT_EQ(probes.size(), 2u);
  ASSERT_NE(gluxRegistry, nullptr);
  EXPECT_EQ(gluxRegistry->count("GL_TEST_probe"), 1u);
  EXPECT_EQ(gluxRegistry->at("GL_TEST_probe"), probes[0]);
  EXPECT_FALSE(probes[0]->isRequired());
  EXPECT_TRUE(probes[1]->isRequired());
  EXPECT_TRUE(probes[1]->isLoaded());
  EXPECT_EQ(probes[0]->resolutions, 1);
  EXPECT_EQ(probes[1]->resolutions, 0);
}

}  // namespace
