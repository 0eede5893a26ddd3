// Reading, smoothing and sampling of headerless 8-bit volume files, kept
// free of GL so the arithmetic can be checked on its own.
//
// Byte layout: components of a voxel adjacent, then x fastest, then y, then z.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// byte / 255 and sum / (7 * 255), written as the multipliers the viewer has
// always used so results stay bit-identical.
constexpr double kByteToUnit = 0.00392156862745098;
constexpr double kSevenPointToUnit = 0.0005602240896358543;

// Number of components in a sizeX * sizeY * sizeZ volume; 0 when a size is
// not positive or when that many floats could not be addressed.
size_t RawElementCount(int32_t sizeX, int32_t sizeY, int32_t sizeZ, int32_t channels);

// What a read met: an error (a folder, a failing disk), or the end of the
// file before the last byte asked for.
struct RawReadOutcome {
  bool failed = false;
  uint64_t missingBytes = 0;
};

// Reads `count` bytes from the file's current position in one read; bytes the
// file does not supply are set to 0.
RawReadOutcome ReadRawBytes(std::FILE* file, uint8_t* destination, size_t count);

// 7-point average of each component over the voxel and its six face
// neighbours (from the bytes, never from smoothed values); border voxels are
// only scaled to [0, 1].
void SmoothRawVolume(const uint8_t* bytes, int32_t sizeX, int32_t sizeY, int32_t sizeZ,
                     int32_t channels, float* out);

// Random access to the bytes of a raw file.
class RawByteSource {
public:
  virtual ~RawByteSource() = default;
  // Copies bytes [position, position + count); bytes past the end read as 0.
  virtual RawReadOutcome ReadSpan(uint64_t position, size_t count, uint8_t* destination) = 0;
};

// Reads from an open file with positioned reads (no shared file offset).
class RawFileSource : public RawByteSource {
public:
  explicit RawFileSource(std::FILE* file) : file_(file) {}
  RawReadOutcome ReadSpan(uint64_t position, size_t count, uint8_t* destination) override;

private:
  std::FILE* file_;
};

class RawMemorySource : public RawByteSource {
public:
  RawMemorySource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  RawReadOutcome ReadSpan(uint64_t position, size_t count, uint8_t* destination) override;

private:
  const uint8_t* bytes_;
  size_t size_;
};

// A one-channel file's size in voxels.
struct RawFileBox {
  int32_t sizeX;
  int32_t sizeY;
  int32_t sizeZ;
};

// Where a window of the file lands on the target grid: target voxel (x, y, z)
// takes file voxel trunc(x * stepX + originX), and so on per axis.
struct SubVolumeWindow {
  int32_t originX;
  int32_t originY;
  int32_t originZ;
  float stepX;
  float stepY;
  float stepZ;
};

// extent / size as a real division, kept in single precision.
float SubVolumeStep(int32_t extent, int32_t size);

// File coordinate of target index `index` on one axis.
inline int64_t SubVolumeFileCoordinate(int32_t index, float step, int32_t origin) {
  return static_cast<int64_t>(static_cast<double>(index) * static_cast<double>(step) +
                              static_cast<double>(origin));
}

// Fills the sizeX * sizeY * sizeZ * channels target by nearest-voxel sampling
// of the window, every component of a voxel getting the same byte / 255.
// Voxels whose file coordinate lies outside the file's box on any axis get 0.
// Reads one span of bytes per target row and stops at the first read error;
// a file box whose size cannot be addressed fails as a read error.
RawReadOutcome SampleSubVolume(RawByteSource& source, const RawFileBox& file, const SubVolumeWindow& window,
                     int32_t sizeX, int32_t sizeY, int32_t sizeZ, int32_t channels, float* out);
