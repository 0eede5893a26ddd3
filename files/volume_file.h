// Opening users' volumes: any file ITK's image IO reads, a folder holding one
// DICOM series, or a headerless file described by a RawLayout. The result is
// kept at full resolution in the canonical orientation, in data units.
//
// Canonical orientation: index axis 0 runs toward the patient's left, axis 1
// toward posterior, axis 2 toward superior (ITK's identity direction), so the
// same scan saved with different direction matrices gives the same voxels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/volume_orientation.h"
#include "files/voxel_buffer.h"

enum class VoxelType { UInt8, Int8, UInt16, Int16, UInt32, Int32, Float32, Float64 };

// "uint8", "int16", "float32", ...
const char* VoxelTypeName(VoxelType type);
// The inverse of VoxelTypeName; nullopt for an unknown name.
std::optional<VoxelType> ParseVoxelType(const std::string& name);
size_t VoxelTypeBytes(VoxelType type);

// A headerless file: sizes[0] * sizes[1] * sizes[2] voxels, x fastest, after
// headerBytes bytes. Such files carry no orientation and unit spacing.
struct RawLayout {
  std::array<int64_t, 3> sizes{};
  VoxelType type = VoxelType::UInt8;
  bool bigEndian = false;
  uint64_t headerBytes = 0;
};

struct VolumeRequest {
  std::string path;                            // file, or folder of one DICOM series
  std::optional<RawLayout> raw;                // set: read `path` as a headerless file
  std::optional<std::array<double, 3>> spacing;  // replaces the file's spacing (canonical axes)
  int frame = 0;                               // which frame of a 4D file
  bool singleFile = false;                     // a DICOM file alone, not the series it belongs to
  // In a folder of several DICOM series, the one to open: its number in
  // ListDicomSeries' order, or a prefix of its SeriesInstanceUID.
  std::string series{};
};

// The spacings a volume may have, in mm: 0.1 nm to 10 km. Within them every
// extent of up to 2^31 voxels, and every ratio of two sides, stays finite
// and normal in float, which the renderer's proportions and clip planes are.
constexpr double kLeastSpacing = 1e-7;
constexpr double kGreatestSpacing = 1e7;

// Where a grid's voxels lie, in the file's index order.
struct VoxelGrid {
  std::array<int64_t, 3> sizes{};
  std::array<double, 3> spacing{1, 1, 1};  // mm along each index axis
  std::array<double, 3> origin{};          // LPS mm of voxel (0, 0, 0)
  DirectionMatrix direction{};             // unit columns, LPS
};

struct VolumeInfo {
  std::string format;                // "NRRD", "NIfTI", "MetaImage", "DICOM series", "raw", ...
  VoxelType fileType = VoxelType::UInt8;  // voxel type as stored in the file
  std::array<int64_t, 3> sizes{};    // along the canonical axes
  int frames = 1;                    // frames in the file; one of them is loaded
  std::array<double, 3> spacing{1, 1, 1};  // along the canonical axes, in the file's units (mm)
  std::string orientation;           // where the file's index axes point, e.g. "LPS", "RAS"
  // Where the voxels lie, in the file's own index order (files/volume_space.h
  // turns them into positions). For volumes without a patient frame
  // (anatomical false: raw, TIFF, VTK, PNG, MRC, ...) positions are origin +
  // canonical index x spacing, axis by axis, in the file's plain x/y/z.
  std::array<double, 3> origin{};    // LPS mm of the centre of file voxel (0, 0, 0)
  DirectionMatrix direction{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};  // file index axes' unit
                                     // directions (columns, LPS), made orthonormal
  AxisMapping mapping;               // canonical axis <-> file axis, as the voxels were reordered
  bool anatomical = false;           // origin and direction place the voxels in the patient
  std::string note;                  // what was made of an imperfect file, for one line
  // Set when an oblique or sheared grid was resampled onto the patient's
  // axes at load: the file's own grid.
  std::optional<VoxelGrid> resampledFrom;
  double minimum = 0;                // value range of the loaded frame, in data units
  double maximum = 0;
};

// One line naming the file and the reason, e.g. "scan.nii.gz: file is truncated".
class VolumeFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The loaded frame. Voxels are kept in the type ITK delivers after applying
// the header's slope and intercept (the file's own type when there are none),
// so a 16-bit file costs 2 bytes per voxel; x fastest, then y, then z.
class Volume {
public:
  Volume(VolumeInfo info, VoxelType storedType, VoxelBuffer voxels);

  const VolumeInfo& info() const { return info_; }
  VoxelType storedType() const { return storedType_; }
  const uint8_t* voxels() const { return voxels_.get(); }
  size_t voxelCount() const;
  // Voxel (x, y, z) in data units; for tests and spot checks, not for loops.
  double ValueAt(int64_t x, int64_t y, int64_t z) const;
  // For a spacing given by the user instead of the file's.
  void SetSpacing(const std::array<double, 3>& spacing) { info_.spacing = spacing; }
  // For a volume resampled at load: the file's own range, which
  // interpolation may not reach.
  void SetValueRange(double minimum, double maximum) {
    info_.minimum = minimum;
    info_.maximum = maximum;
  }

private:
  VolumeInfo info_;
  VoxelType storedType_;
  VoxelBuffer voxels_;
};

// Receives progress lines ("Reading ct.nrrd", ...); the caller decides
// whether to show them.
using VolumeProgress = std::function<void(const std::string& line)>;

// Reads the requested frame. Throws VolumeFileError when the file is missing,
// unreadable, of an unknown format, truncated, not scalar, or its size does
// not match the raw layout.
Volume OpenVolume(const VolumeRequest& request, const VolumeProgress& progress = {});

// The DICOM series of `folder`, one line each, "N: description, rows x
// columns x slices", in the order of their series numbers: the numbers
// VolumeRequest::series takes. Throws VolumeFileError.
std::vector<std::string> ListDicomSeries(const std::string& folder);
