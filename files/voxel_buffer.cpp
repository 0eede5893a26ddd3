#include "files/voxel_buffer.h"

#include <sys/mman.h>

void VoxelFree::operator()(uint8_t* voxels) const {
  if (mappedBytes != 0) {
    munmap(voxels, mappedBytes);
  } else {
    delete[] voxels;
  }
}
