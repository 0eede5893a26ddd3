#include "tests/glux/fake_platform.h"

#include <iostream>

namespace fake {
namespace {

std::string gExtensions;
bool gHasContext = false;
std::string gFailingName;
std::vector<std::string> gLookups;

const unsigned char* extensionString() {
  return gHasContext ? reinterpret_cast<const unsigned char*>(gExtensions.c_str()) : nullptr;
}

GluxProc lookup(const char* name) {
  gLookups.emplace_back(name);
  return gFailingName == name ? nullptr : &driverEntry;
}

void messageBox(const char* caption, const char* text, bool errorIcon) {
  std::cerr << boxOutput(caption, text, errorIcon) << std::flush;
}

}  // namespace

void install(const char* extensions) {
  gHasContext = extensions != nullptr;
  gExtensions = extensions ? extensions : "";
  gFailingName.clear();
  gLookups.clear();
  gluxSetPlatform({extensionString, lookup, messageBox});
}

void failLookupOf(const char* name) {
  gFailingName = name;
}

void driverEntry() {}

const std::vector<std::string>& lookups() {
  return gLookups;
}

std::string boxOutput(const std::string& caption, const std::string& text, bool errorIcon) {
  return "<box caption=\"" + caption + "\" error=" + (errorIcon ? "1" : "0") + ">\n" + text +
         "</box>\n";
}

}  // namespace fake
