// NIfTI files read by our own code rather than ITK's: NIfTI-2, which this
// ITK does not know, and NIfTI-1 whose sform, the only frame given, is a
// little off orthonormal (common after resampling), which ITK refuses
// before the nearest orthonormal frame could stand in. Runs in the reading
// child like ITK's readers.
#pragma once

#include <optional>
#include <string>

#include "files/nifti_header.h"
#include "files/reader_child.h"
#include "files/volume_file.h"
#include "files/volume_orientation.h"

struct NiftiVolume {
  VolumeInfo info;  // sizes and spacing along the file's axes; origin and direction LPS, as ITK gives them
  VoxelType storedType = VoxelType::UInt8;
};

// Whether `header` is one of the files above.
bool ReadsNiftiItself(const NiftiHeader& header);

// Reads frame `frame` of the NIfTI file `path` with header `header`, its
// voxels placed through `channel`. Throws VolumeFileError.
NiftiVolume ReadNifti(const std::string& name, const std::string& path, const NiftiHeader& header, int frame,
                      ReaderChannel& channel);
