#include <cstdlib>
#include <iostream>
#include <sstream>

#include "glux/glux.h"
#include "glux/glux_multitexture.h"
#include "glux/glux_platform.h"
#include "glux/glux_texture3d.h"

// The program's extensions. They live in the file that defines gluxInit: the
// program always links it, so these registrations always run, in this order.
GLUX_LOAD(GL_EXT_texture3D);
GLUX_LOAD(GL_ARB_multitexture);

namespace {

const char kBanner[] = "-=-=-=-=-=-=-=-=-=-=-=-=-";

const char* tagFor(bool ok, const GluxPlugin& plugin) {
  if (!ok) return "[FAIL]";
  return plugin.isDevelopment() ? "[DEVL]" : "[ OK ]";
}

// Loads every registered plugin and writes one line per plugin to stderr and
// to `report`; returns whether every required plugin loaded.
bool loadRegisteredPlugins(std::int32_t flags, std::ostream& report) {
  bool allRequiredLoaded = true;
  for (const auto& [name, plugin] : *gluxRegistry) {
    const bool ok = plugin->load(flags);
    std::ostringstream line;
    line << tagFor(ok, *plugin) << ' ' << name;
    if (plugin->isRequired()) {
      line << " (required)";
      allRequiredLoaded = allRequiredLoaded && ok;
    }
    std::cerr << line.str() << std::endl;
    report << line.str() << std::endl;
  }
  return allRequiredLoaded;
}

}  // namespace

void gluxInit(std::int32_t flags) {
  std::cerr << std::endl;
  std::cerr << kBanner << std::endl;
  std::cerr << "      glux v1.51" << std::endl;
  std::cerr << kBanner << std::endl;

  const GluxPlatform& platform = gluxPlatform();
  if (!platform.extensionString()) {
    std::cerr << "OpenGL should be initialized before calling gluxInit() !" << std::endl;
    std::exit(-1);
  }

  if (!gluxRegistry) {
    std::cerr << "-> No Plugin loaded: you have to use GLUX_LOAD or GLUX_REQUIRE before "
                 "using extensions."
              << std::endl;
  } else {
    std::cerr << "-> initializing extensions" << std::endl;
    std::ostringstream report;
    if (!loadRegisteredPlugins(flags, report)) {
      std::cerr << "Failed to load at least one required extension !" << std::endl;
      platform.showMessageBox("Sorry, gluX cannot find required extensions",
                              report.str().c_str(), true);
      std::exit(-1);
    }
  }

  std::cerr << kBanner << std::endl;
  std::cerr << std::endl;
}
