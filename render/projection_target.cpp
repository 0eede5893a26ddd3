#include "render/projection_target.h"

#include <algorithm>
#include <cmath>

#include "glux/glux_entry_points.h"
#include "glux/glux_framebuffer.h"
#include "glux/glux_multitexture.h"

bool ProjectionTarget::Supported() {
  return gluxExtensionListed("GL_ARB_texture_float") && gluxFramebuffer().isLoaded();
}

bool ProjectionTarget::Begin(const float clear[4], const std::array<double, 4>* area) {
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  if (viewport[2] <= 0 || viewport[3] <= 0) return false;
  // A frame drawn smaller while the user interacts has a framebuffer of its own.
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previousFramebuffer_);
  if (framebuffer_ == 0) {
    glGenFramebuffersEXT(1, &framebuffer_);
    glGenTextures(1, &texture_);
    if (depth_) glGenTextures(1, &depthTexture_);
  }
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
  if (viewport[2] != width_ || viewport[3] != height_) {
    // Unit 3 is the target's own: the volume's units keep their bindings.
    glActiveTextureARB(GL_TEXTURE3_ARB);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat_, viewport[2], viewport[3], 0, GL_RGBA, GL_FLOAT,
                 nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                              texture_, 0);
    if (depth_) {
      glActiveTextureARB(GL_TEXTURE3_ARB);
      glBindTexture(GL_TEXTURE_2D, depthTexture_);
      glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, viewport[2], viewport[3], 0, GL_DEPTH_COMPONENT,
                   GL_UNSIGNED_INT, nullptr);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
      glActiveTextureARB(GL_TEXTURE0_ARB);
      glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D,
                                depthTexture_, 0);
    }
    width_ = viewport[2];
    height_ = viewport[3];
  }
  if (glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, previousFramebuffer_);
    width_ = height_ = 0;
    return false;
  }
  // The target is as large as the viewport and starts at its corner.
  glViewport(0, 0, width_, height_);
  GLfloat saved[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, saved);
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  GLdouble savedDepth = 1.0;
  glGetDoublev(GL_DEPTH_CLEAR_VALUE, &savedDepth);
  GLboolean depthWrites = GL_TRUE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  glClearDepth(1.0);
  glDepthMask(GL_TRUE);  // the clear obeys the mask
  if (area != nullptr) {
    // Whole pixels around the area, a pixel more on each side.
    const auto pixel = [](double device, int size) { return (device + 1.0) / 2.0 * size; };
    const int x0 = std::max(0, static_cast<int>(std::floor(pixel((*area)[0], width_))) - 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(pixel((*area)[1], height_))) - 1);
    const int x1 = std::min(width_, static_cast<int>(std::ceil(pixel((*area)[2], width_))) + 1);
    const int y1 = std::min(height_, static_cast<int>(std::ceil(pixel((*area)[3], height_))) + 1);
    glEnable(GL_SCISSOR_TEST);
    glScissor(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
  }
  glClear(depth_ ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
  if (area != nullptr) glDisable(GL_SCISSOR_TEST);
  glDepthMask(depthWrites);
  glClearDepth(savedDepth);
  glClearColor(saved[0], saved[1], saved[2], saved[3]);
  savedViewport_[0] = viewport[0];
  savedViewport_[1] = viewport[1];
  return true;
}

void ProjectionTarget::End() {
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, previousFramebuffer_);
  glViewport(savedViewport_[0], savedViewport_[1], width_, height_);
}
