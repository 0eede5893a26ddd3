// The memory a volume's voxels live in: the heap, or pages shared with the
// child process that read them (see reader_child.h), unmapped when freed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct VoxelFree {
  size_t mappedBytes = 0;  // 0: allocated with new[]
  VoxelFree() = default;
  VoxelFree(std::default_delete<uint8_t[]>) {}  // NOLINT: heap buffers convert implicitly
  explicit VoxelFree(size_t mapped) : mappedBytes(mapped) {}
  void operator()(uint8_t* voxels) const;
};

using VoxelBuffer = std::unique_ptr<uint8_t[], VoxelFree>;
