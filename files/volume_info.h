// The text printed by --info.
#pragma once

#include <string>

#include "files/volume_file.h"
#include "files/volume_window.h"

// Several lines, each ending in '\n': format, dimensions (with frames),
// voxel type, spacing, orientation, value range and the default window.
std::string VolumeInfoText(const std::string& path, const VolumeInfo& info,
                           const IntensityWindow& defaultWindow);
