// The fragment programs of the render modes other than composite: variants
// of "volrendFrag.cg" compiled on first use, so the default start-up
// compiles what it always did.
#include <cstdio>
#include <vector>

#include "files/data_path.h"
#include "glux/glux_blend_minmax.h"
#include "render/vol_render.h"

namespace {

bool NeedsBlendMinmax(RenderMode mode) {
  return mode == RenderMode::Maximum || mode == RenderMode::Minimum;
}

bool IsProjection(RenderMode mode) { return NeedsBlendMinmax(mode) || mode == RenderMode::Average; }

// The -D options of a mode's two passes; composite's pass is the
// pre-integrated one, compiled with the volume.
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
    case RenderMode::Composite: return {"-DPREINTEGRATED", nullptr};
  }
  return {nullptr, nullptr};
}

}  // namespace

CGprogram VolRender::CompileFragmentVariant(std::vector<const char*> options) {
  options.push_back(nullptr);
  CGprogram program = cgCreateProgramFromFile(cgContext, CG_SOURCE, DataFilePath("volrendFrag.cg").c_str(),
                                              fragmentProfile, nullptr, options.data());
  CheckCgError();
  cgGLLoadProgram(program);
  CheckCgError();
  if (lightSet_) cgGLSetParameter3fv(cgGetNamedParameter(program, "lightPos"), light_);
  variants_.push_back(program);
  return program;
}

CGprogram VolRender::CutPass(RenderMode mode, const VolumeCuts& cuts, bool frontToBack) {
  // Projections have no surfaces to cap.
  const bool caps = cuts.caps && !IsProjection(mode);
  const bool planes = cuts.planes[0] || cuts.planes[1] || cuts.planes[2];
  const bool crop = cuts.Cropped();
  const int variant = (caps ? 1 : 0) + (planes ? 2 : 0) + (crop ? 4 : 0) + (cuts.clip ? 8 : 0) +
                      (frontToBack ? 16 : 0);
  CGprogram& pass = modePrograms_[static_cast<int>(mode)].cutPasses[static_cast<size_t>(variant)];
  if (pass == nullptr) {
    std::vector<const char*> defines{DefinesFor(mode).pass, "-DCUTS"};
    if (caps) defines.push_back("-DCAPS");
    if (planes) defines.push_back("-DPLANES");
    if (crop) defines.push_back("-DCROP");
    if (cuts.clip) defines.push_back("-DCLIP");
    if (frontToBack) defines.push_back("-DFRONT_TO_BACK");
    pass = CompileFragmentVariant(defines);
  }
  return pass;
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
  if (newMode != RenderMode::Composite && programs.pass == nullptr) {
    programs.pass = CompileFragmentVariant({defines.pass});
  }
  if (defines.resolve != nullptr && programs.resolve == nullptr) {
    programs.resolve = CompileFragmentVariant({defines.resolve});
  }
  return true;
}

void VolRender::SetLightPosition(const float* light) {
  for (int k = 0; k < 3; ++k) light_[k] = light[k];
  lightSet_ = true;
  cgGLSetParameter3fv(lightPosParam, light_);
  // The opened volumes' programs too: composite's pre-integrated one among them.
  for (CGprogram program : variants_) cgGLSetParameter3fv(cgGetNamedParameter(program, "lightPos"), light_);
}
