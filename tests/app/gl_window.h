// A 500x500 GLUT window whose context the GL tests draw into.
#pragma once

#include <GL/freeglut.h>

inline void OpenTestWindow() {
  static bool open = false;
  if (open) return;
  int argc = 1;
  char name[] = "shell_gl_test";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(500, 500);
  glutInitWindowPosition(0, 0);
  glutCreateWindow("shell test");
  open = true;
}
