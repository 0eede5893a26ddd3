#include "glux/glux_entry_points.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

void gluxMissingEntryPoint(const char* extension, const char* function) {
  std::cerr << "FATAL: Extension " << extension << " was not loaded or is not available."
            << std::endl;
  std::cerr << "=> cannot use " << function << "." << std::endl;
  std::exit(-1);
}

bool gluxExtensionListed(const char* extension) {
  const unsigned char* list = gluxPlatform().extensionString();
  return list && std::strstr(reinterpret_cast<const char*>(list), extension);
}
