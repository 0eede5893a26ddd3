// A scripted GL driver and message box for gluX tests: no context needed.
#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "glux/glux.h"
#include "glux/glux_multitexture.h"
#include "glux/glux_platform.h"
#include "glux/glux_texture3d.h"

namespace fake {

inline const char* gExtensions = nullptr;  // null: no GL context
inline std::string gFailingName;
inline std::vector<std::string> gLookups;  // in order

inline void driverEntry() {}

// The box writes to stderr, where death tests see it.
inline std::string boxOutput(const std::string& caption, const std::string& text, bool error) {
  return "<box caption=\"" + caption + "\" error=" + (error ? "1" : "0") + ">\n" + text +
         "</box>\n";
}

// Every lookup but that of failingLookup returns driverEntry.
inline void install(const char* extensions, const char* failingLookup = "") {
  gExtensions = extensions;
  gFailingName = failingLookup;
  gLookups.clear();
  gluxSetPlatform({[]() { return reinterpret_cast<const unsigned char*>(gExtensions); },
                   [](const char* name) -> GluxProc {
                     gLookups.emplace_back(name);
                     return gFailingName == name ? nullptr : &driverEntry;
                   },
                   [](const char* caption, const char* text, bool error) {
                     std::cerr << boxOutput(caption, text, error) << std::flush;
                   }});
}

// Each entry point of the program's two extensions, and whether it now
// reaches the driver rather than its stub.
inline std::vector<std::pair<std::string, bool>> entryPointStates() {
  std::vector<std::pair<std::string, bool>> states;
#define FAKE_ENTRY_POINT_STATE(fn, Type) \
  states.emplace_back("gl" #fn, reinterpret_cast<GluxProc>(glux_gl##fn) == &driverEntry);
  GLUX_MULTITEXTURE_ENTRY_POINTS(FAKE_ENTRY_POINT_STATE)
  GLUX_TEXTURE3D_ENTRY_POINTS(FAKE_ENTRY_POINT_STATE)
#undef FAKE_ENTRY_POINT_STATE
  return states;
}

inline const std::string kBanner = "-=-=-=-=-=-=-=-=-=-=-=-=-\n";
inline const std::string kOpening = "\n" + kBanner + "      glux v1.51\n" + kBanner;

// The report of a load with one line per plugin, closed by the banner unless
// the load ends the process.
inline std::string report(const std::string& pluginLines, const std::string& end = kBanner + "\n") {
  return kOpening + "-> initializing extensions\n" + pluginLines + end;
}

inline std::string stubOutput(const std::string& extension, const std::string& function) {
  return "FATAL: Extension " + extension + " was not loaded or is not available.\n=> cannot use " +
         function + ".\n";
}

inline std::string initOutput(std::int32_t flags) {
  testing::internal::CaptureStderr();
  gluxInit(flags);
  return testing::internal::GetCapturedStderr();
}

}  // namespace fake
