// Headerless volume files described by a RawLayout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/volume_file.h"

// The volume in `data[0, size)`, the whole content of the file called
// `name`: refused unless size is exactly the header plus the voxels.
Volume DecodeRawVolume(const std::string& name, const RawLayout& layout, const uint8_t* data,
                       size_t size);

// Reads the file at `path` the same way.
Volume ReadRawVolume(const std::string& path, const RawLayout& layout);

// `bytes` of voxels `width` bytes wide from `offset` of the regular file
// `path`, in the host's byte order; "<name>: file is cut short" if they are
// not all there.
VoxelBuffer ReadVoxelSpan(const std::string& name, const std::string& path, uint64_t offset, uint64_t bytes,
                          size_t width, bool bigEndian);
