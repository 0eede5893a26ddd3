// A shader backend without GL that records what the runtime asks of it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cg/shader_backend.h"

struct FakeShaderBackend : cgrt::ShaderBackend {
  std::string extensions;
  bool pairsLink = true;                             // false: two stages never link together
  unsigned shaders = 0;                              // names handed out
  std::vector<std::pair<unsigned, unsigned>> links;  // program n is links[n - 1]
  unsigned current = 0;
  std::vector<std::pair<unsigned, float>> writes;  // program, second component of the value

  std::string Version() override { return "2.1 Fake"; }
  std::string Extensions() override { return extensions; }
  unsigned CompileShader(cgrt::Stage, const std::string&, std::string& log) override {
    log.clear();
    return ++shaders;
  }
  unsigned LinkProgram(unsigned vertex, unsigned fragment, std::string& log) override {
    log = vertex && fragment && !pairsLink ? "varyings differ" : "";
    if (log.empty()) links.emplace_back(vertex, fragment);
    return log.empty() ? static_cast<unsigned>(links.size()) : 0;
  }
  int UniformLocation(unsigned, const char*) override { return 7; }
  void UseProgram(unsigned program) override { current = program; }
  void SetUniform1i(int, int) override {}
  void SetUniform3fv(int, const float* v) override { writes.emplace_back(current, v[1]); }
};
