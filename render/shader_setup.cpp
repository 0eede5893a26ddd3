// Compiles, loads, binds and enables the renderer's two shader programs.
#include "files/data_path.h"
#include "render/vol_render.h"

namespace {

const char kUndefinedError[] = "#Erreur indefinie#";
const char kUnsupported[] = "Extensions non supportees";

// The first supported profile of the list, in order of preference.
template <size_t N>
CGprofile FirstSupported(const CGprofile (&profiles)[N]) {
  for (CGprofile profile : profiles)
    if (cgGLIsProfileSupported(profile)) return profile;
  return CG_PROFILE_UNKNOWN;
}

}  // namespace

VolRender::CgError::CgError(const char* message, const char* listing)
    : message(message && listing ? message : kUndefinedError),
      listing(message && listing ? listing : "") {}

void VolRender::InitShaders() {
  cgContext = cgCreateContext();

  static const CGprofile kVertexProfiles[] = {CG_PROFILE_ARBVP1, CG_PROFILE_VP30,
                                              CG_PROFILE_VP20};
  vertexProfile = FirstSupported(kVertexProfiles);
  if (vertexProfile == CG_PROFILE_UNKNOWN)
    throw CgError("Impossible d'initialiser le Vertex Shader", kUnsupported);

  const char* vertexOptions[] = {"-posinv", nullptr};
  vertexProgram = cgCreateProgramFromFile(cgContext, CG_SOURCE, DataFilePath("volrendVert.cg").c_str(),
                                          vertexProfile, nullptr, vertexOptions);
  CheckCgError();
  cgGLLoadProgram(vertexProgram);
  CheckCgError();

  // The ARB fragment profile is the last resort, unlike the vertex one.
  static const CGprofile kFragmentProfiles[] = {CG_PROFILE_FP30, CG_PROFILE_FP20,
                                                CG_PROFILE_ARBFP1};
  fragmentProfile = FirstSupported(kFragmentProfiles);
  if (fragmentProfile == CG_PROFILE_UNKNOWN)
    throw CgError(
        "Fragment programming extensions (GL_ARB_fragment_program or GL_NV_fragment_program) "
        "not supported",
        kUnsupported);
  CheckCgError();

  fragmentProgram = cgCreateProgramFromFile(cgContext, CG_SOURCE, DataFilePath("volrendFrag.cg").c_str(),
                                            fragmentProfile, nullptr, nullptr);
  cgGLLoadProgram(fragmentProgram);
  CheckCgError();

  lightPosParam = cgGetNamedParameter(fragmentProgram, "lightPos");

  cgGLBindProgram(vertexProgram);
  cgGLEnableProfile(vertexProfile);
  cgGLBindProgram(fragmentProgram);
  cgGLEnableProfile(fragmentProfile);
  // The pair is linked only now: two programs that each load alone may still
  // not link together, and every frame would then go without them.
  CheckCgError();
}

void VolRender::CheckCgError() {
  const CGerror error = cgGetError();
  if (error == CG_NO_ERROR) return;
  const char* listing = cgGetLastListing(cgContext);
  const char* text = cgGetErrorString(error);
  throw CgError(text, listing);
}
