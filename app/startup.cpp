#include "app/startup.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "app/app_state.h"
#include "sources/fluid_fields.h"

namespace {
const char* GlText(GLenum name) {
  const GLubyte* text = glGetString(name);
  return text ? reinterpret_cast<const char*>(text) : "";
}
}  // namespace

void PrintGlInfo() {
  std::printf("Vendor:   %s\n", GlText(GL_VENDOR));
  std::printf("Renderer: %s\n", GlText(GL_RENDERER));
  std::printf("Version:  %s\n", GlText(GL_VERSION));
  std::printf("Extensions: %s\n", GlText(GL_EXTENSIONS));
  GLint max3DSize = 0;
  glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &max3DSize);
  std::printf("Max 3D texture size = %d\n", max3DSize);
}

void PrintGlSummary() {
  std::printf("OpenGL: %s, %s, %s\n", GlText(GL_VENDOR), GlText(GL_RENDERER), GlText(GL_VERSION));
}

void InitFluidDefaults(bool allocateFields) {
  gFluidNX = gFluidNY = gFluidNZ = 170;
  gTimeStep = 0.4f;
  gDiffusion = 0.0f;
  gViscosity = 0.005f;
  gForceScale = 1.0f;
  gSourceDensity = 100.0f;
  if (allocateFields) {
    if (!AllocateFluidFields()) std::exit(1);
    ClearFluidFields();
  }
  gWindowWidth = gWindowHeight = 512;
}

bool EnsureFluidFields() {
  if (gDensity != nullptr) return true;
  if (AllocateFluidFields()) {
    ClearFluidFields();
    return true;
  }
  for (float** field : {&gVelU, &gVelV, &gVelW, &gVelUPrev, &gVelVPrev, &gVelWPrev, &gDensity,
                        &gDensityPrev}) {
    std::free(*field);
    *field = nullptr;
  }
  return false;
}

void InitGlState() {
  glClearColor(0.0f, 0.0f, 0.2f, 0.0f);
  glEnable(GL_TEXTURE_2D);
}
