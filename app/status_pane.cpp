#include "app/status_pane.h"

#include <GL/freeglut.h>

#include "app/overlay.h"

StatusPane::StatusPane(std::function<std::string()> text) : text_(std::move(text)) {}

void StatusPane::Draw(const PaneRect& rect) {
  const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_2D);
  glPushMatrix();
  glLoadIdentity();
  BeginPaneOverlay(rect.width, rect.height);
  glColor3f(0.12f, 0.12f, 0.14f);
  glRecti(0, 0, rect.width, rect.height);
  glColor3f(0.9f, 0.9f, 0.9f);
  glRasterPos2i(6, rect.height - 5);
  for (unsigned char c : text_()) glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, c);
  EndOverlay();
  glPopMatrix();
  if (textured) glEnable(GL_TEXTURE_2D);
}
