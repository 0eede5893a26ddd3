#include "files/volume_raw.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "files/volume_build.h"

namespace {

// Bytes the voxels take; refuses sizes that are not positive or overflow.
uint64_t VoxelBytes(const std::string& name, const RawLayout& layout) {
  uint64_t total = VoxelTypeBytes(layout.type);
  for (int64_t size : layout.sizes) {
    if (size <= 0 || __builtin_mul_overflow(total, static_cast<uint64_t>(size), &total)) {
      throw VolumeFileError(name + ": invalid raw size");
    }
  }
  return total;
}

void CheckFileSize(const std::string& name, const RawLayout& layout, uint64_t voxelBytes,
                   uint64_t fileSize) {
  uint64_t expected = 0;
  if (__builtin_add_overflow(voxelBytes, layout.headerBytes, &expected) || fileSize != expected) {
    throw VolumeFileError(name + ": file size " + std::to_string(fileSize) + " bytes does not match " +
                          std::to_string(layout.sizes[0]) + "x" + std::to_string(layout.sizes[1]) +
                          "x" + std::to_string(layout.sizes[2]) + " " + VoxelTypeName(layout.type) +
                          " after a " + std::to_string(layout.headerBytes) +
                          "-byte header (" + std::to_string(voxelBytes + layout.headerBytes) +
                          " bytes)");
  }
}

bool HostIsBigEndian() {
  const uint16_t probe = 1;
  uint8_t first;
  std::memcpy(&first, &probe, 1);
  return first == 0;
}

void SwapBytes(uint8_t* bytes, uint64_t count, size_t width) {
  for (uint64_t i = 0; i < count; ++i, bytes += width) {
    for (size_t a = 0, b = width - 1; a < b; ++a, --b) std::swap(bytes[a], bytes[b]);
  }
}

Volume Finish(const RawLayout& layout, std::unique_ptr<uint8_t[]> voxels, uint64_t voxelBytes) {
  const size_t width = VoxelTypeBytes(layout.type);
  if (width > 1 && layout.bigEndian != HostIsBigEndian()) {
    SwapBytes(voxels.get(), voxelBytes / width, width);
  }
  VolumeInfo info;
  info.format = "raw";
  info.fileType = layout.type;
  info.sizes = layout.sizes;
  // No direction is stored: the axes are taken as the canonical ones, with
  // the defaults' origin 0 and no patient frame.
  info.orientation = "LPS";
  return FinishVolume(std::move(info), layout.type, std::move(voxels));
}

}  // namespace

Volume DecodeRawVolume(const std::string& name, const RawLayout& layout, const uint8_t* data,
                       size_t size) {
  const uint64_t voxelBytes = VoxelBytes(name, layout);
  CheckFileSize(name, layout, voxelBytes, size);
  std::unique_ptr<uint8_t[]> voxels(new uint8_t[voxelBytes]);
  std::memcpy(voxels.get(), data + layout.headerBytes, voxelBytes);
  return Finish(layout, std::move(voxels), voxelBytes);
}

Volume ReadRawVolume(const std::string& path, const RawLayout& layout) {
  const std::string& name = path;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  struct stat status {};
  if (!file || fstat(fileno(file.get()), &status) != 0) {
    throw VolumeFileError(name + ": " + std::strerror(errno));
  }
  if (!S_ISREG(status.st_mode)) throw VolumeFileError(name + ": not a regular file");
  const uint64_t voxelBytes = VoxelBytes(name, layout);
  CheckFileSize(name, layout, voxelBytes, static_cast<uint64_t>(status.st_size));
  std::unique_ptr<uint8_t[]> voxels(new uint8_t[voxelBytes]);
  if (std::fseek(file.get(), static_cast<long>(layout.headerBytes), SEEK_SET) != 0 ||
      std::fread(voxels.get(), 1, voxelBytes, file.get()) != voxelBytes) {
    throw VolumeFileError(name + ": read error");
  }
  return Finish(layout, std::move(voxels), voxelBytes);
}

VoxelBuffer ReadVoxelSpan(const std::string& name, const std::string& path, uint64_t offset, uint64_t bytes,
                          size_t width, bool bigEndian) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    const int error = errno;
    if (fd >= 0) close(fd);
    throw VolumeFileError(name + ": cannot read the data file: " + std::strerror(error));
  }
  std::unique_ptr<uint8_t[]> voxels(new uint8_t[bytes]);
  uint64_t got = 0;
  while (got < bytes) {
    const ssize_t n = pread(fd, voxels.get() + got, bytes - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<uint64_t>(n);
  }
  close(fd);
  if (got < bytes) throw VolumeFileError(name + ": file is cut short");
  if (width > 1 && bigEndian != HostIsBigEndian()) SwapBytes(voxels.get(), bytes / width, width);
  return VoxelBuffer(voxels.release());
}
