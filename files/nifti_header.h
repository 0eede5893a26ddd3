// The NIfTI-1 and NIfTI-2 header fields this program uses, read from either
// byte order, for the completeness checks and for the NIfTI reader of our own.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/volume_orientation.h"

struct NiftiHeader {
  int version = 0;      // 1 or 2
  bool swap = false;    // stored in the other byte order
  bool single = false;  // "n+1"/"n+2": voxels in the same file, else a .hdr/.img pair
  int64_t rank = 0;
  int64_t dims[8] = {};
  int datatype = 0;
  int bitpix = 0;
  double pixdim[8] = {};  // pixdim[0] is qfac
  double voxOffset = 0;
  double slope = 0, intercept = 0;
  int qformCode = 0, sformCode = 0;
  double quatern[6] = {};  // b, c, d and the offsets
  double srow[3][4] = {};

  // Spacing, quaternion and sform as far as the codes put them in use.
  bool MatricesFinite() const;
  // The voxel axes' unit directions (columns) in NIfTI's RAS frame and their
  // lengths: the sform when in use, else the qform, else the plain axes.
  DirectionMatrix Directions(double spacing[3]) const;
  // RAS mm of the first voxel's centre, from the same matrix as Directions.
  std::array<double, 3> Origin() const;
};

// nullopt unless `head` starts with a NIfTI-1 or NIfTI-2 header.
std::optional<NiftiHeader> ParseNiftiHeader(const std::vector<uint8_t>& head);

// The first `bytes` of a file's content, through zlib when it is gzipped.
std::vector<uint8_t> ContentHead(const std::string& path, size_t bytes);

// The header of `path` if it is NIfTI.
std::optional<NiftiHeader> ReadNiftiHeader(const std::string& path);

// Data file of a .hdr/.img pair named by its header; "" when `path` is not
// named like a header.
std::string NiftiImagePath(const std::string& path);
