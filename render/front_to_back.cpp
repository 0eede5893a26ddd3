// Composite front to back with early ray termination: slices come nearest
// first into a cleared target, and every few slices the pixels that what
// lies in front already hides are marked in its depth buffer, so the depth
// test, made before a fragment's program runs, spares them every slice
// after. Software GL shades each fragment in full whatever its program
// discards, so a test ahead of the program is the one that saves the work.
#include <GL/gl.h>

#include "glux/glux_entry_points.h"
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

void VolRender::MarkHiddenPixels(CGprogram program) {
  cgGLBindProgram(hiddenMark_);
  GLint matrixMode = GL_MODELVIEW;
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT);
  for (int plane = 0; plane < 7; ++plane) glDisable(GL_CLIP_PLANE0 + plane);
  glDisable(GL_BLEND);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_ALWAYS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glBegin(GL_QUADS);
  glVertex3f(-1.0f, -1.0f, -1.0f);
  glVertex3f(1.0f, -1.0f, -1.0f);
  glVertex3f(1.0f, 1.0f, -1.0f);
  glVertex3f(-1.0f, 1.0f, -1.0f);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(static_cast<GLenum>(matrixMode));
  glPopAttrib();
  cgGLBindProgram(program);
}
