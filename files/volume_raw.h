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
