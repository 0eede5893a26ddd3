// GL 2.0 shader entry points, exported by the system's libGL.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include "cg/shader_backend.h"

namespace cgrt {
namespace {

std::string GlString(GLenum name) {
  const GLubyte* text = glGetString(name);
  return text ? reinterpret_cast<const char*>(text) : "";
}

// A shader's or a program's info log; the two differ only in their getters.
template <void (*GetLength)(GLuint, GLenum, GLint*), void (*GetLog)(GLuint, GLsizei, GLsizei*, GLchar*)>
std::string InfoLog(GLuint object) {
  GLint length = 0;
  GetLength(object, GL_INFO_LOG_LENGTH, &length);
  if (length <= 1) return "";
  std::string log(static_cast<size_t>(length), '\0');
  GLsizei written = 0;
  GetLog(object, length, &written, &log[0]);
  log.resize(static_cast<size_t>(written));
  return log;
}

std::string ShaderLog(GLuint shader) { return InfoLog<glGetShaderiv, glGetShaderInfoLog>(shader); }

std::string ProgramLog(GLuint program) {
  return InfoLog<glGetProgramiv, glGetProgramInfoLog>(program);
}

}  // namespace

std::string GlShaderBackend::Version() { return GlString(GL_VERSION); }

std::string GlShaderBackend::Extensions() { return GlString(GL_EXTENSIONS); }

unsigned GlShaderBackend::CompileShader(Stage stage, const std::string& source, std::string& log) {
  const GLuint shader =
      glCreateShader(stage == Stage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
  if (shader == 0) {
    log = "no GL context to compile in";
    return 0;
  }
  const GLchar* text = source.c_str();
  const GLint length = static_cast<GLint>(source.size());
  glShaderSource(shader, 1, &text, &length);
  glCompileShader(shader);
  GLint compiled = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  log = ShaderLog(shader);
  if (compiled != GL_TRUE) {
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

unsigned GlShaderBackend::LinkProgram(unsigned vertexShader, unsigned fragmentShader,
                                      std::string& log) {
  const GLuint program = glCreateProgram();
  if (program == 0) {
    log = "no GL context to link in";
    return 0;
  }
  if (vertexShader) glAttachShader(program, vertexShader);
  if (fragmentShader) glAttachShader(program, fragmentShader);
  glLinkProgram(program);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  log = ProgramLog(program);
  if (linked != GL_TRUE) {
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

int GlShaderBackend::UniformLocation(unsigned program, const char* name) {
  return glGetUniformLocation(program, name);
}

void GlShaderBackend::UseProgram(unsigned program) { glUseProgram(program); }

void GlShaderBackend::SetUniform1i(int location, int value) { glUniform1i(location, value); }

void GlShaderBackend::SetUniform3fv(int location, const float* value) {
  glUniform3fv(location, 1, value);
}

}  // namespace cgrt
