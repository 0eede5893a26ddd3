// Keyboard and mouse commands of the viewer.
#pragma once

void KeyboardCallback(unsigned char key, int x, int y);
void MouseCallback(int button, int state, int x, int y);
void MotionCallback(int x, int y);

// With an opened volume only: GLUT's special keys (pages, function keys)
// and the pointer moving with no button held.
void SpecialCallback(int key, int x, int y);
void PassiveMotionCallback(int x, int y);
