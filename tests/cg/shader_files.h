// Shader source files written into a fresh temporary folder for one test.
#pragma once

#include <stdlib.h>

#include <fstream>
#include <string>

class ShaderFiles {
public:
  ShaderFiles() : dir_(mkdtemp(pattern_)) {}
  ~ShaderFiles() { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  // Writes the file and returns its full path.
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ + "/" + name) << text;
    return dir_ + "/" + name;
  }
  const std::string& dir() const { return dir_; }

private:
  char pattern_[18] = "/tmp/cgtestXXXXXX";
  std::string dir_;
};
