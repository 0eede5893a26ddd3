// Composite front to back with early ray termination: slices come nearest
// first into a cleared target, and every few slices the pixels that what
// lies in front already hides are marked in its depth buffer, so the depth
// test, made before a fragment's program runs, spares them every slice
// after. Software GL shades each fragment in full whatever its program
// discards, so a test ahead of the program is the one that saves the work.
#include <GL/gl.h>

#include <algorithm>

#include "glux/glux_entry_points.h"
#include "render/clip_coordinates.h"
#include "render/device_rect.h"
#include "render/vol_render.h"

bool VolRender::DrawsFrontToBack(const DrawInputs& inputs) const {
  static const bool supported =
      gluxExtensionListed("GL_EXT_shader_framebuffer_fetch") && ProjectionTarget::Supported();
  return inputs.frontToBack && precise_ && inputs.mode == RenderMode::Composite && supported;
}

void VolRender::PrepareFrontToBack() {
  if (frontToBackProgram_ != nullptr) return;
  frontToBackProgram_ = CompileFragmentVariant({"-DPREINTEGRATED", "-DFRONT_TO_BACK"});
  hiddenMark_ = CompileFragmentVariant({"-DHIDDEN_MARK"});
  compositeResolve_ = CompileFragmentVariant({"-DCOMPOSITE_RESOLVE"});
}

void VolRender::BeginFrontToBack(float stopOpacity) {
  const float threshold[3] = {stopOpacity, 0.0f, 0.0f};
  cgGLSetParameter3fv(cgGetNamedParameter(hiddenMark_, "stopOpacity"), threshold);
  glPushAttrib(GL_DEPTH_BUFFER_BIT);
  // Slices lie beyond the near plane: a mark there hides them, the cleared
  // far plane none.
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDepthMask(GL_FALSE);
}

void VolRender::EndFrontToBack() { glPopAttrib(); }

void VolRender::SetMarkArea(const std::array<double, 3>& lo, const std::array<double, 3>& hi) {
  GLdouble modelview[16], projection[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  markArea_ = {1.0, 1.0, -1.0, -1.0};
  for (int corner = 0; corner < 8; ++corner) {
    const std::array<double, 4> clip = ClipCoordinates(modelview, projection, (corner & 1) ? hi[0] : lo[0],
                                                       (corner & 2) ? hi[1] : lo[1], (corner & 4) ? hi[2] : lo[2]);
    // Behind the eye no rectangle bounds it: the whole viewport then.
    if (clip[3] <= 0) {
      markArea_ = {-1.0, -1.0, 1.0, 1.0};
      return;
    }
    markArea_[0] = std::min(markArea_[0], clip[0] / clip[3]);
    markArea_[1] = std::min(markArea_[1], clip[1] / clip[3]);
    markArea_[2] = std::max(markArea_[2], clip[0] / clip[3]);
    markArea_[3] = std::max(markArea_[3], clip[1] / clip[3]);
  }
  for (double& bound : markArea_) bound = std::clamp(bound, -1.0, 1.0);
}

void VolRender::MarkHiddenPixels(CGprogram program) {
  cgGLBindProgram(hiddenMark_);
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT);
  for (int plane = 0; plane < 7; ++plane) glDisable(GL_CLIP_PLANE0 + plane);
  glDisable(GL_BLEND);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_ALWAYS);
  DrawDeviceRect(markArea_, -1.0);
  glPopAttrib();
  cgGLBindProgram(program);
}
