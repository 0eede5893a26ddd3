// Shader source files in a fresh temporary folder, removed with it.
#pragma once

#include <stdlib.h>

#include <fstream>
#include <string>

struct ShaderFiles {
  char dir[18] = "/tmp/cgtestXXXXXX";
  ShaderFiles() { mkdtemp(dir); }
  ~ShaderFiles() { std::system((std::string("rm -rf '") + dir + "'").c_str()); }
  // Writes the file and returns its full path.
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(std::string(dir) + "/" + name) << text;
    return std::string(dir) + "/" + name;
  }
};
