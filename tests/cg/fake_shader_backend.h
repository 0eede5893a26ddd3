// A shader backend without GL that records what the runtime asks of it; a
// uniform exists when its name appears in a linked shader.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cg/shader_backend.h"

struct FakeShaderBackend : cgrt::ShaderBackend {
  std::string extensions;
  bool pairsLink = true;                             // false: two stages never link together
  std::vector<std::string> sources;                  // shader n is sources[n - 1]
  std::vector<std::pair<unsigned, unsigned>> links;  // program n is links[n - 1]
  unsigned current = 0;
  std::vector<std::pair<unsigned, float>> writes;  // program, second component of the value

  std::string Version() override { return "2.1 Fake"; }
  std::string Extensions() override { return extensions; }
  unsigned CompileShader(cgrt::Stage, const std::string& source, std::string& log) override {
    log.clear();
    sources.push_back(source);
    return static_cast<unsigned>(sources.size());
  }
  unsigned LinkProgram(unsigned vertex, unsigned fragment, std::string& log) override {
    log = vertex && fragment && !pairsLink ? "varyings differ" : "";
    if (log.empty()) links.emplace_back(vertex, fragment);
    return log.empty() ? static_cast<unsigned>(links.size()) : 0;
  }
  int UniformLocation(unsigned program, const char* name) override {
    const auto& pair = links.at(program - 1);
    for (unsigned shader : {pair.first, pair.second})
      if (shader && sources.at(shader - 1).find(name) != std::string::npos) return 7;
    return -1;
  }
  void UseProgram(unsigned program) override { current = program; }
  void SetUniform1i(int, int) override {}
  void SetUniform3fv(int, const float* v) override { writes.emplace_back(current, v[1]); }
};
