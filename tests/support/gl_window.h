// A double-buffered RGB window with a depth buffer, whose GL context tests
// and benchmarks draw into. GLUT is initialised on the first call.
#pragma once

#include <GL/freeglut.h>

inline void OpenGlWindow(const char* title, int width, int height) {
  int argc = 1;
  char name[] = "volview-test";
  char* argv[] = {name, nullptr};
  if (!glutGet(GLUT_INIT_STATE)) glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(width, height);
  glutInitWindowPosition(0, 0);
  glutCreateWindow(title);
}
