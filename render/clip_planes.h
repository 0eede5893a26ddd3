// The user clip planes that trim the slices to the volume's box.
#pragma once

#include <GL/gl.h>

inline void SetClipPlane(GLenum plane, double a, double b, double c, double d) {
  const GLdouble equation[4] = {a, b, c, d};
  glClipPlane(plane, equation);
}

inline void SetClipPlanesEnabled(bool enabled) {
  for (GLenum plane = GL_CLIP_PLANE0; plane <= GL_CLIP_PLANE5; ++plane) {
    if (enabled) {
      glEnable(plane);
    } else {
      glDisable(plane);
    }
  }
}
