// The GL calls the shader runtime makes, behind an interface so that tests
// can run the runtime without a GL context, or offer another extension list.
#pragma once

#include <string>

namespace cgrt {

enum class Stage { Vertex, Fragment };

class ShaderBackend {
public:
  virtual ~ShaderBackend() = default;
  virtual std::string Version() = 0;     // GL_VERSION
  virtual std::string Extensions() = 0;  // GL_EXTENSIONS, space separated
  // Returns a shader name, or 0 with the reason in log; log also gets warnings.
  virtual unsigned CompileShader(Stage stage, const std::string& source, std::string& log) = 0;
  // Either shader may be 0 (that stage stays fixed-function). Returns 0 on failure.
  virtual unsigned LinkProgram(unsigned vertexShader, unsigned fragmentShader,
                               std::string& log) = 0;
  virtual int UniformLocation(unsigned program, const char* name) = 0;
  virtual void UseProgram(unsigned program) = 0;
  // These two apply to the program in use.
  virtual void SetUniform1i(int location, int value) = 0;
  virtual void SetUniform3fv(int location, const float* value) = 0;
};

// The real thing: GL 2.0 entry points on the current context.
class GlShaderBackend : public ShaderBackend {
public:
  std::string Version() override;
  std::string Extensions() override;
  unsigned CompileShader(Stage stage, const std::string& source, std::string& log) override;
  unsigned LinkProgram(unsigned vertexShader, unsigned fragmentShader, std::string& log) override;
  int UniformLocation(unsigned program, const char* name) override;
  void UseProgram(unsigned program) override;
  void SetUniform1i(int location, int value) override;
  void SetUniform3fv(int location, const float* value) override;
};

// Test seam: replaces the backend (null restores the GL one) and forgets every
// context, program, parameter, pending error and linked pair.
void ResetRuntime(ShaderBackend* backend);

}  // namespace cgrt
