#include "render/slab_table.h"

#include <algorithm>

#include "glux/glux_entry_points.h"
#include "transfer/preintegrated_table.h"

void SlabTable::SetTransfer(const float* rgba) {
  std::copy(rgba, rgba + transfer_.size(), transfer_.begin());
  stale_ = true;
}

void SlabTable::Bind(float thickness) {
  if (texture_ == 0) glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  if (!stale_ && thickness == thickness_) return;
  integrated_.resize(kPreintegratedFloats);
  ComputePreintegratedTable(transfer_.data(), thickness, integrated_.data());
  // Thin slabs have opacities far below 1/255. Float where the GL has it:
  // Mesa's software renderer filters 16-bit texels of this table into
  // rings of wrong colour where the opacity steps.
  static const GLint format =
      gluxExtensionListed("GL_ARB_texture_float") ? GL_RGBA32F_ARB : GL_RGBA16;
  glTexImage2D(GL_TEXTURE_2D, 0, format, kPreintegratedSide, kPreintegratedSide, 0, GL_RGBA,
               GL_FLOAT, integrated_.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  thickness_ = thickness;
  stale_ = false;
}
