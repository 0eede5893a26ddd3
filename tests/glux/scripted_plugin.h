// A plugin whose load outcome the test sets, in a registry of its own.
#pragma once

#include <utility>

#include "glux/glux.h"

struct PluginScript {
  bool resolves = true;  // what loadEntryPoints returns
  bool listed = true;    // false: resolution marks it as development
};

class ScriptedPlugin : public GluxPlugin {
public:
  ScriptedPlugin(const char* extension, bool required, PluginScript script = {})
      : GluxPlugin(required), script(script) {
    name = extension;
  }
  bool loadEntryPoints() override {
    ++resolutions;
    if (!script.listed) development = true;
    return script.resolves;
  }
  PluginScript script;
  int resolutions = 0;
};

// An empty registry for the object's life, hiding the program's declarations.
struct ScopedEmptyRegistry {
  GluxRegistry* const saved = std::exchange(gluxRegistry, nullptr);
  ~ScopedEmptyRegistry() {
    delete gluxRegistry;
    gluxRegistry = saved;
  }
};
