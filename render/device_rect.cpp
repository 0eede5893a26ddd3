#include "render/device_rect.h"

#include <GL/gl.h>

void DrawDeviceRect(const std::array<double, 4>& area, double z) {
  GLint matrixMode = GL_MODELVIEW;
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glBegin(GL_QUADS);
  glVertex3d(area[0], area[1], z);
  glVertex3d(area[2], area[1], z);
  glVertex3d(area[2], area[3], z);
  glVertex3d(area[0], area[3], z);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(static_cast<GLenum>(matrixMode));
}
