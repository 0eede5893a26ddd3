// What a header claims, checked against what its file can hold before any
// voxel is allocated or read. ITK's readers would otherwise allocate what a
// 300-byte header claims, or accept a file cut short without complaint.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Before the reader sees the file: refuses what would crash or mislead a
// third-party reader and is cheap to tell from the header (a NRRD of more
// than 4 dimensions, non-finite NIfTI matrices or data offset, negative
// NIfTI sizes). `name` starts every line; formats it does not know pass.
void CheckHeaderSane(const std::string& name, const std::string& path);

// After the reader chose `format` ("NRRD", "NIfTI", "MetaImage", "VTK",
// "TIFF", "DICOM", ...) and read the header: the voxel data the header
// claims (`voxelBytes` for all frames, `values` scalars) must be in the file
// or the data file it names. Uncompressed data is measured by file size,
// compressed and ASCII data by a streaming read that stops once the claim is
// met. Throws VolumeFileError: "cut short", "damaged compressed data", a bad
// data file. Other formats pass (DICOM: GDCM checks the pixel data length).
void CheckFileComplete(const std::string& name, const std::string& path, const std::string& format,
                       uint64_t voxelBytes, uint64_t values);

// The same for TIFF, whose directories say where everything lies; needs
// nothing from ITK. Files that are not TIFF pass.
void CheckTiffComplete(const std::string& name, const std::string& path);

// Streaming measures, for the checks above and their tests. Bytes a zlib or
// gzip stream starting at `offset` inflates to, stopping at `enough`; throws
// "damaged compressed data" for a corrupt stream.
uint64_t InflatedBytes(const std::string& name, const std::string& path, uint64_t offset, uint64_t enough);
// A gzip file's whole stream: "damaged compressed data" or "cut short" when
// it is; files that are not gzip pass.
void CheckGzipStream(const std::string& name, const std::string& path);
// Whitespace- or comma-separated values from `offset`, stopping at `enough`.
uint64_t CountedValues(const std::string& path, uint64_t offset, uint64_t enough);

// Where uncompressed NRRD or MetaImage voxels lie when they are one piece of
// one file: the parent process reads them itself, saving the hand-over of
// shared pages (see reader_child.h). nullopt for anything else.
struct RawSpan {
  std::string path;
  uint64_t offset = 0;
  bool bigEndian = false;
};
std::optional<RawSpan> FindRawSpan(const std::string& path, const std::string& format, uint64_t voxelBytes,
                                   size_t width);
