// Keyboard and mouse commands of the viewer.
#pragma once

void KeyboardCallback(unsigned char key, int x, int y);
void MouseCallback(int button, int state, int x, int y);
void MotionCallback(int x, int y);
