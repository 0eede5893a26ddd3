#include "app/overlay.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "app/app_state.h"

void BeginOverlay() { BeginPaneOverlay(gWindowWidth, gWindowHeight); }

void BeginPaneOverlay(int paneWidth, int paneHeight) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(0, paneWidth, 0, paneHeight);
  glScalef(1, -1, 1);
  glTranslatef(0, -paneHeight, 0);
  glMatrixMode(GL_MODELVIEW);
}

void EndOverlay() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

void DrawBitmapString(void* font, const char* text) {
  if (!text) return;
  for (const char* c = text; *c; ++c) glutBitmapCharacter(font, static_cast<unsigned char>(*c));
}

void DrawOverlayText(const char* text, int x, int y) {
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_TEXTURE_2D);
  BeginOverlay();
  glRasterPos2f(static_cast<float>(x), static_cast<float>(y));
  DrawBitmapString(GLUT_BITMAP_HELVETICA_18, text);
  EndOverlay();
  glEnable(GL_TEXTURE_2D);
  glPopMatrix();
}
