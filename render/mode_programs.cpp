// The fragment programs of the render modes other than composite: variants
// of "volrendFrag.cg" compiled on first use, so the default start-up
// compiles what it always did.
#include <cstdio>

#include "glux/glux_blend_minmax.h"
#include "render/vol_render.h"

namespace {

bool NeedsBlendMinmax(RenderMode mode) {
  return mode == RenderMode::Maximum || mode == RenderMode::Minimum;
}

bool IsProjection(RenderMode mode) { return NeedsBlendMinmax(mode) || mode == RenderMode::Average; }

// The -D options of a mode's two passes.
struct ModeDefines {
  const char* pass;
  const char* resolve;
};

ModeDefines DefinesFor(RenderMode mode) {
  switch (mode) {
    case RenderMode::Maximum: return {"-DPROJECTION=1", "-DPROJECTION_RESOLVE=1"};
    case RenderMode::Minimum: return {"-DPROJECTION=2", "-DPROJECTION_RESOLVE=2"};
    case RenderMode::Average: return {"-DPROJECTION=3", "-DPROJECTION_RESOLVE=3"};
    case RenderMode::Iso: return {"-DISO_SURFACE", nullptr};
    case RenderMode::Composite: break;
  }
  return {nullptr, nullptr};
}

}  // namespace

CGprogram VolRender::CompileFragmentVariant(const char* define) {
  const char* options[] = {define, nullptr};
  CGprogram program = cgCreateProgramFromFile(cgContext, CG_SOURCE, "volrendFrag.cg",
                                              fragmentProfile, nullptr, options);
  CheckCgError();
  cgGLLoadProgram(program);
  CheckCgError();
  if (lightSet_) cgGLSetParameter3fv(cgGetNamedParameter(program, "lightPos"), light_);
  return program;
}

bool VolRender::PrepareRenderMode(RenderMode newMode) {
  if (NeedsBlendMinmax(newMode) && !gluxBlendMinmax().isLoaded()) {
    std::fprintf(stderr, "This OpenGL has no GL_EXT_blend_minmax: %s mode is not available\n",
                 RenderModeName(newMode));
    return false;
  }
  if (IsProjection(newMode) && !ProjectionTarget::Supported()) {
    std::fprintf(stderr,
                 "This OpenGL has no float framebuffer (GL_EXT_framebuffer_object and "
                 "GL_ARB_texture_float): %s mode is not available\n",
                 RenderModeName(newMode));
    return false;
  }
  ModePrograms& programs = modePrograms_[static_cast<int>(newMode)];
  const ModeDefines defines = DefinesFor(newMode);
  if (defines.pass != nullptr && programs.pass == nullptr) {
    programs.pass = CompileFragmentVariant(defines.pass);
  }
  if (defines.resolve != nullptr && programs.resolve == nullptr) {
    programs.resolve = CompileFragmentVariant(defines.resolve);
  }
  return true;
}

void VolRender::SetLightPosition(const float* light) {
  for (int k = 0; k < 3; ++k) light_[k] = light[k];
  lightSet_ = true;
  cgGLSetParameter3fv(lightPosParam, light_);
  for (const ModePrograms& programs : modePrograms_) {
    if (programs.pass != nullptr) {
      cgGLSetParameter3fv(cgGetNamedParameter(programs.pass, "lightPos"), light_);
    }
  }
}
