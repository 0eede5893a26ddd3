// gluX: the OpenGL extension loader.
//
// Each extension the program wants is declared once at namespace scope with
// GLUX_LOAD (optional) or GLUX_REQUIRE (required). The declaration builds a
// static plugin object that enters itself into the registry before main runs.
// gluxInit, called once a GL context is current, loads every registered
// plugin, reports on stderr, and ends the process if a required one failed.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// gluxInit flag: accept an extension whose entry points resolve although the
// driver's extension string does not list it.
#define GLUX_ACCEPT_DEVELOPMENT 2

class GluxPlugin {
public:
  explicit GluxPlugin(bool required);

  const char* getName() const { return name; }
  bool isRequired() const { return required; }
  bool isDevelopment() const { return development; }

  // Loads with flags 0 unless a load was already attempted.
  bool isLoaded();
  // Runs at most once; later calls return the first result whatever the flags.
  bool load(std::int32_t flags);
  // Makes this plugin a stand-in for the first plugin of the same name.
  void linkTo(GluxPlugin* first);

  // Resolves the extension's entry points; true when all were found.
  virtual bool loadEntryPoints();

protected:
  const char* name;
  bool loaded;
  bool required;
  bool attempted;
  bool development;  // resolved, but absent from the extension string
  GluxPlugin* linked;
};

using GluxRegistry = std::map<std::string, GluxPlugin*>;

// Null until the first registration creates it, so registration works
// whatever the order in which translation units are initialised.
extern GluxRegistry* gluxRegistry;

void gluxRegisterPlugin(GluxPlugin* plugin);

// Prints the report on stderr; exits with -1 when there is no GL context or
// when a required extension failed (after a message box).
void gluxInit(std::int32_t flags);

// Every plugin header maps its extension name onto its class with
// `using GluxPluginFor_<extension> = <class>;`. The name is pasted at the
// first macro level: GL headers define the extension names as macros (to 1),
// which any further level would expand.
#define GLUX_DECLARE_PLUGIN_(Class, object, line, required) \
  static Class object##_##line(required)
#define GLUX_DECLARE_PLUGIN(Class, object, line, required) \
  GLUX_DECLARE_PLUGIN_(Class, object, line, required)

#define GLUX_LOAD(ext) \
  GLUX_DECLARE_PLUGIN(GluxPluginFor_##ext, gluxPlugin_##ext, __LINE__, false)
#define GLUX_REQUIRE(ext) \
  GLUX_DECLARE_PLUGIN(GluxPluginFor_##ext, gluxPlugin_##ext, __LINE__, true)
