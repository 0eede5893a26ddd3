#include "render/reduced_frame.h"

#include <algorithm>
#include <cmath>

#include "glux/glux_framebuffer.h"
#include "glux/glux_multitexture.h"

bool ReducedFrame::Supported() {
  return gluxFramebuffer().isLoaded() && gluxFramebufferBlit().isLoaded();
}

bool ReducedFrame::Begin(float scale) {
  glGetIntegerv(GL_VIEWPORT, viewport_);
  const int width = std::max(1, static_cast<int>(std::lround(viewport_[2] * scale)));
  const int height = std::max(1, static_cast<int>(std::lround(viewport_[3] * scale)));
  if (framebuffer_ == 0) {
    glGenFramebuffersEXT(1, &framebuffer_);
    glGenTextures(1, &texture_);
  }
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
  if (width != width_ || height != height_) {
    // Unit 3, like the projection target: the volume's units keep their bindings.
    glActiveTextureARB(GL_TEXTURE3_ARB);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                              texture_, 0);
    width_ = width;
    height_ = height;
  }
  if (glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    width_ = height_ = 0;
    return false;
  }
  glViewport(0, 0, width_, height_);
  glClear(GL_COLOR_BUFFER_BIT);
  return true;
}

void ReducedFrame::End() {
  glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, 0);
  glBlitFramebufferEXT(0, 0, width_, height_, viewport_[0], viewport_[1],
                       viewport_[0] + viewport_[2], viewport_[1] + viewport_[3],
                       GL_COLOR_BUFFER_BIT, GL_LINEAR);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
}
