// ITK's readers accept some cut-short files without complaint: a gzip stream
// that ends early, a NIfTI, MetaImage or VTK file whose voxels stop short. This
// measures what the file holds against what its header promises.
#pragma once

#include <cstdint>
#include <string>

// Throws VolumeFileError "<path>: file is truncated" when the (decompressed)
// content of `path` is shorter than its header's data offset plus the voxel
// bytes, or its gzip stream stops early. `voxelBytes` is what ITK reports for
// all frames; NIfTI's own header is used instead, as ITK reports rescaled
// NIfTI data in a wider type than stored. Formats it does not know pass.
void CheckFileComplete(const std::string& path, uint64_t voxelBytes);
