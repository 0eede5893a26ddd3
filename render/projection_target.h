// The float texture the projection modes draw their first pass into: an
// 8-bit window could neither hold a sum of hundreds of samples nor keep the
// extreme value apart from its colour.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <array>

class ProjectionTarget {
public:
  // Colour texels of `internalFormat`; with `depth`, a depth buffer too,
  // cleared to the far plane with the colour.
  explicit ProjectionTarget(GLint internalFormat = GL_RGBA32F_ARB, bool depth = false)
      : internalFormat_(internalFormat), depth_(depth) {}

  // Whether this GL has float textures and framebuffer objects; loads the
  // entry points on first call.
  static bool Supported();

  // Draws into the target from now on, sized to the viewport and cleared
  // to `clear`. False, drawing on in the window, when the GL refuses it.
  // With `area` (x0, y0, x1, y1 in device coordinates), only the pixels
  // within it are cleared: the caller draws and reads no others.
  bool Begin(const float clear[4], const std::array<double, 4>* area = nullptr);
  // Back to the framebuffer drawn into before; the viewport as it was.
  void End();

  GLuint texture() const { return texture_; }
  int width() const { return width_; }
  int height() const { return height_; }

private:
  GLint internalFormat_;
  bool depth_;
  GLuint framebuffer_ = 0;
  GLuint texture_ = 0;
  GLuint depthTexture_ = 0;
  int width_ = 0;
  int height_ = 0;
  GLint savedViewport_[2] = {0, 0};
  GLint previousFramebuffer_ = 0;
};
