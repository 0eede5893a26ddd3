// A scripted GL driver and message box for gluX tests: no context needed.
#pragma once

#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "glux/glux.h"
#include "glux/glux_multitexture.h"
#include "glux/glux_test_seam.h"
#include "glux/glux_texture3d.h"

namespace fake {

inline const char* gExtensions = nullptr;  // null: no GL context
inline std::string gFailingName;
inline std::vector<std::string> gLookups;  // names asked of the lookup, in order

inline void driverEntry() {}

// The message box writes its arguments to stderr, where death tests see them.
inline std::string boxOutput(const std::string& caption, const std::string& text, bool error) {
  return "<box caption=\"" + caption + "\" error=" + (error ? "1" : "0") + ">\n" + text + "</box>\n";
}

// Every lookup succeeds and returns driverEntry, except that of failingLookup.
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

// Every entry point of the program's two extensions, in resolution order,
// with whether it now reaches the driver rather than its stub.
inline std::vector<std::pair<std::string, bool>> entryPointStates() {
  std::vector<std::pair<std::string, bool>> states;
#define FAKE_ENTRY_POINT_STATE(fn, Type) \
  states.emplace_back("gl" #fn, reinterpret_cast<GluxProc>(glux_gl##fn) == &driverEntry);
  GLUX_MULTITEXTURE_ENTRY_POINTS(FAKE_ENTRY_POINT_STATE)
  GLUX_TEXTURE3D_ENTRY_POINTS(FAKE_ENTRY_POINT_STATE)
#undef FAKE_ENTRY_POINT_STATE
  return states;
}

// The same names, spelt out independently of the plugins' own lists.
inline std::vector<std::string> allEntryPoints() {
  std::vector<std::string> names = {"glActiveTextureARB", "glClientActiveTextureARB"};
  for (const char* size : {"1", "2", "3", "4"})
    for (const char* type : {"d", "dv", "f", "fv", "i", "iv", "s", "sv"})
      names.push_back(std::string("glMultiTexCoord") + size + type + "ARB");
  names.insert(names.end(), {"glTexImage3DEXT", "glTexSubImage3DEXT"});
  return names;
}

inline const std::string kBanner = "-=-=-=-=-=-=-=-=-=-=-=-=-\n";
inline const std::string kOpening = "\n" + kBanner + "      glux v1.51\n" + kBanner;

// gluxInit's whole report around the given plugin lines.
inline std::string report(const std::string& pluginLines) {
  return kOpening + "-> initializing extensions\n" + pluginLines + kBanner + "\n";
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
