// ITK's readers accept some cut-short files without complaint: a gzip stream
// that ends early, a NIfTI, MetaImage or VTK file whose voxels stop short, a
// TIFF stack missing its last pages. This measures what the file holds
// against what its header promises.
#pragma once

#include <cstdint>
#include <string>

// Throws VolumeFileError "<path>: file is truncated" when the (decompressed)
// content of `path` is shorter than its header's data offset plus the voxel
// bytes, or its gzip stream stops early. `voxelBytes` is what ITK reports for
// all frames; NIfTI's own header is used instead, as ITK reports rescaled
// NIfTI data in a wider type than stored. Formats it does not know pass.
void CheckFileComplete(const std::string& path, uint64_t voxelBytes);

// The same for TIFF, whose directories say where everything lies; needs
// nothing from ITK. Files that are not TIFF pass.
void CheckTiffComplete(const std::string& path);
