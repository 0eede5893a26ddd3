// NIfTI-2 single files (".nii", ".nii.gz" with magic "n+2"), which this
// ITK's NIfTI reader does not know: 64-bit sizes, double matrices, the same
// meaning as NIfTI-1. Runs in the reading child like ITK's readers.
#pragma once

#include <optional>
#include <string>

#include "files/reader_child.h"
#include "files/volume_file.h"
#include "files/volume_orientation.h"

struct Nifti2Volume {
  VolumeInfo info;  // sizes and spacing along the file's axes
  VoxelType storedType = VoxelType::UInt8;
  DirectionMatrix direction{};  // LPS, as ITK gives it
};

// nullopt when `path` is not a NIfTI-2 single file; otherwise reads frame
// `frame`, its voxels placed through `channel`. Throws VolumeFileError.
std::optional<Nifti2Volume> ReadNifti2(const std::string& name, const std::string& path, int frame,
                                       ReaderChannel& channel);
