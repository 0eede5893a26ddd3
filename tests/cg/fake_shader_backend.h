// A shader backend without GL that records what the runtime asks of it; a
// uniform exists when its name appears in a linked shader.
#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "cg/shader_backend.h"

class FakeShaderBackend : public cgrt::ShaderBackend {
public:
  std::string version = "2.1 Fake";
  std::string extensions = "GL_ARB_vertex_program GL_ARB_fragment_program";
  std::vector<std::string> sources;                  // shader n is sources[n - 1]
  std::vector<std::pair<unsigned, unsigned>> links;  // program n is links[n - 1]
  unsigned current = 0;
  std::vector<std::pair<unsigned, std::array<float, 3>>> writes;  // program, value

  std::string Version() override { return version; }
  std::string Extensions() override { return extensions; }
  unsigned CompileShader(cgrt::Stage, const std::string& source, std::string& log) override {
    log.clear();
    sources.push_back(source);
    return static_cast<unsigned>(sources.size());
  }
  unsigned LinkProgram(unsigned vertex, unsigned fragment, std::string& log) override {
    log.clear();
    links.emplace_back(vertex, fragment);
    return static_cast<unsigned>(links.size());
  }
  int UniformLocation(unsigned program, const char* name) override {
    const auto& pair = links.at(program - 1);
    return Has(pair.first, name) || Has(pair.second, name) ? 7 : -1;
  }
  void UseProgram(unsigned program) override { current = program; }
  void SetUniform1i(int, int) override {}
  void SetUniform3fv(int, const float* v) override {
    writes.push_back({current, {v[0], v[1], v[2]}});
  }
  // Program name of the pair linked from these shaders, 0 if none.
  unsigned PairOf(unsigned vertex, unsigned fragment) const {
    const auto found = std::find(links.begin(), links.end(), std::make_pair(vertex, fragment));
    return found == links.end() ? 0 : static_cast<unsigned>(found - links.begin() + 1);
  }

private:
  bool Has(unsigned shader, const std::string& text) const {
    return shader != 0 && sources.at(shader - 1).find(text) != std::string::npos;
  }
};
