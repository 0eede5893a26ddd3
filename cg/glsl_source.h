// Turns the text of a shader file into the GLSL 1.20 source handed to GL.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cg/shader_backend.h"

namespace cgrt {

struct PreparedSource {
  std::string source;
  // Samplers declared "uniform sampler3D name : TEXUNIT1;": name and unit.
  std::vector<std::pair<std::string, int>> samplerUnits;
};

// Adds "#version 120" unless the text starts with its own version line, and
// strips the ": TEXUNITn" bindings, which GLSL 1.20 cannot express. When the
// entry is not "main" (null means "main"), or when a vertex program must be
// position-invariant, the text's entry function is wrapped by a generated
// main; position invariance then sets gl_Position = ftransform() after it,
// and gl_ClipVertex too when the text does not write it.
// Each of `defines` ("NAME" or "NAME=VALUE", as a compiler's -D option takes
// it) becomes a #define ahead of the text, so one file gives the variants
// of a program. Line numbers in compiler logs still match the file.
PreparedSource PrepareGlslSource(const std::string& text, Stage stage, const char* entry,
                                 bool positionInvariant,
                                 const std::vector<std::string>& defines = {});

}  // namespace cgrt
