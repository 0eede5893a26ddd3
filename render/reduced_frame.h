// A frame drawn into a smaller viewport and stretched onto the window: the
// software renderer's cost follows the pixels it fills, so a frame at 0.7
// of the window's side costs half.
#pragma once

#include <GL/gl.h>

class ReducedFrame {
public:
  // Whether this GL has framebuffer objects and blits; loads them on first call.
  static bool Supported();

  // Draws into a viewport `scale` times the current one's side (0 < scale
  // < 1), cleared to the clear colour. False, drawing on in the window,
  // when the GL refuses it.
  bool Begin(float scale);
  // Stretches what was drawn over the viewport Begin found, with linear
  // filtering, and draws into the window again.
  void End();

private:
  GLuint framebuffer_ = 0;
  GLuint texture_ = 0;
  int width_ = 0;
  int height_ = 0;
  GLint viewport_[4] = {0, 0, 0, 0};
};
