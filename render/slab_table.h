// The pre-integrated transfer function as a 256 x 256 texture, integrated
// again only when the table or the slab thickness has changed since.
#pragma once

#include <GL/gl.h>

#include <array>
#include <vector>

#include "transfer/initial_table.h"

class SlabTable {
public:
  // Keeps a copy of the 256-entry table (1024 floats).
  void SetTransfer(const float* rgba);
  // Binds the texture on the active unit, integrated for slabs `thickness`
  // thick (the slice spacing over that of 200 slices). Needs a table.
  void Bind(float thickness);

private:
  std::array<float, 4 * kTransferEntries> transfer_{};
  std::vector<float> integrated_;
  float thickness_ = 0.0f;
  bool stale_ = true;
  GLuint texture_ = 0;
};
