#include "files/nifti2_reader.h"

#include <zlib.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "files/file_checks.h"
#include "files/volume_complete.h"
#include "files/voxel_dispatch.h"

namespace {

struct Header {
  std::vector<uint8_t> bytes;
  bool swap = false;

  template <class T>
  T At(size_t offset) const {
    uint8_t raw[sizeof(T)];
    std::memcpy(raw, bytes.data() + offset, sizeof(T));
    if (swap) {
      for (size_t a = 0, b = sizeof(T) - 1; a < b; ++a, --b) std::swap(raw[a], raw[b]);
    }
    T value;
    std::memcpy(&value, raw, sizeof(T));
    return value;
  }
};

std::optional<VoxelType> FromDatatype(int16_t datatype) {
  switch (datatype) {
    case 2: return VoxelType::UInt8;
    case 4: return VoxelType::Int16;
    case 8: return VoxelType::Int32;
    case 16: return VoxelType::Float32;
    case 64: return VoxelType::Float64;
    case 256: return VoxelType::Int8;
    case 512: return VoxelType::UInt16;
    case 768: return VoxelType::UInt32;
    default: return std::nullopt;
  }
}

using Gz = std::unique_ptr<gzFile_s, int (*)(gzFile)>;

}  // namespace

std::optional<Nifti2Volume> ReadNifti2(const std::string& name, const std::string& path, int frame,
                                       ReaderChannel& channel) {
  Gz file(gzopen(path.c_str(), "rb"), gzclose);
  if (!file) return std::nullopt;
  Header h;
  h.bytes.resize(540);
  if (gzread(file.get(), h.bytes.data(), 540) != 540) return std::nullopt;
  int32_t size;
  std::memcpy(&size, h.bytes.data(), 4);
  if (size != 540) {
    h.swap = true;
    if (h.At<int32_t>(0) != 540) return std::nullopt;
  }
  if (std::memcmp(&h.bytes[4], "n+2", 4) != 0) return std::nullopt;
  channel.Reader("NIfTI-2");

  const std::optional<VoxelType> type = FromDatatype(h.At<int16_t>(12));
  if (!type) {
    throw VolumeFileError(name + ": NIfTI-2 datatype " + std::to_string(h.At<int16_t>(12)) + " is not supported");
  }
  const int64_t rank = h.At<int64_t>(16);
  int64_t dims[8];
  for (int d = 1; d < 8; ++d) dims[d] = d <= rank ? h.At<int64_t>(16 + 8 * d) : 1;
  for (int d = 5; d <= rank && d < 8; ++d) {
    if (dims[d] != 1) throw VolumeFileError(name + ": has " + std::to_string(rank) + " dimensions; 2, 3 or 4 can be shown");
  }
  Nifti2Volume volume;
  volume.info.format = "NIfTI-2";
  volume.info.fileType = *type;
  volume.info.sizes = {dims[1], dims[2], rank >= 3 ? dims[3] : 1};
  volume.info.frames = rank >= 4 ? static_cast<int>(dims[4]) : 1;
  if (frame < 0 || frame >= volume.info.frames) {
    throw VolumeFileError(name + ": frame " + std::to_string(frame) + " does not exist (" +
                          std::to_string(volume.info.frames) + " frames)");
  }
  const size_t width = VoxelTypeBytes(*type);
  const uint64_t frameVoxels = static_cast<uint64_t>(dims[1]) * static_cast<uint64_t>(dims[2]) *
                               static_cast<uint64_t>(volume.info.sizes[2]);
  const uint64_t frameBytes = frameVoxels * width;
  CheckFileComplete(name, path, "NIfTI", frameBytes * static_cast<uint64_t>(volume.info.frames), 0);

  // Physical frame: the sform, else the qform, else the voxel axes; NIfTI
  // is RAS, the viewer's frame LPS.
  DirectionMatrix m{};
  double spacing[3];
  for (int a = 0; a < 3; ++a) spacing[a] = std::fabs(h.At<double>(104 + 8 * (a + 1)));
  if (h.At<int32_t>(348) > 0) {
    for (int p = 0; p < 3; ++p) {
      for (int a = 0; a < 3; ++a) m[p][a] = h.At<double>(400 + 32 * p + 8 * a);
    }
    for (int a = 0; a < 3; ++a) {
      spacing[a] = std::sqrt(m[0][a] * m[0][a] + m[1][a] * m[1][a] + m[2][a] * m[2][a]);
      for (int p = 0; p < 3; ++p) m[p][a] = spacing[a] > 0 ? m[p][a] / spacing[a] : 0;
    }
  } else if (h.At<int32_t>(344) > 0) {
    const double b = h.At<double>(352), c = h.At<double>(360), d = h.At<double>(368);
    const double a = std::sqrt(std::fmax(0.0, 1 - b * b - c * c - d * d));
    const double qfac = h.At<double>(104) < 0 ? -1 : 1;
    m = {{{a * a + b * b - c * c - d * d, 2 * (b * c - a * d), qfac * 2 * (b * d + a * c)},
          {2 * (b * c + a * d), a * a + c * c - b * b - d * d, qfac * 2 * (c * d - a * b)},
          {2 * (b * d - a * c), 2 * (c * d + a * b), qfac * (a * a + d * d - c * c - b * b)}}};
  } else {
    m = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  }
  for (int a = 0; a < 3; ++a) {
    volume.info.spacing[a] = spacing[a];
    volume.direction[0][a] = -m[0][a];
    volume.direction[1][a] = -m[1][a];
    volume.direction[2][a] = m[2][a];
  }

  const double slope = h.At<double>(176), intercept = h.At<double>(184);
  const bool scaled = std::isfinite(slope) && std::isfinite(intercept) && slope != 0 && (slope != 1 || intercept != 0);
  volume.storedType = scaled ? VoxelType::Float32 : *type;
  CheckMemory(name, frameBytes + (scaled ? frameVoxels * 4 : 0));
  channel.UnlimitMemory();
  const int64_t offset = h.At<int64_t>(168) + static_cast<int64_t>(frameBytes) * frame;
  if (gzseek(file.get(), offset, SEEK_SET) != offset) throw VolumeFileError(name + ": file is cut short");
  std::unique_ptr<uint8_t[]> temporary;
  uint8_t* target = scaled ? (temporary.reset(new uint8_t[frameBytes]), temporary.get()) : channel.Voxels(frameBytes);
  for (uint64_t got = 0; got < frameBytes;) {
    const unsigned chunk = static_cast<unsigned>(std::min<uint64_t>(frameBytes - got, 1u << 30));
    const int n = gzread(file.get(), target + got, chunk);
    if (n <= 0) throw VolumeFileError(name + ": file is cut short");
    got += static_cast<uint64_t>(n);
  }
  if (h.swap && width > 1) {
    for (uint64_t i = 0; i < frameVoxels; ++i) std::reverse(target + i * width, target + (i + 1) * width);
  }
  if (scaled) {
    float* out = reinterpret_cast<float*>(channel.Voxels(frameVoxels * sizeof(float)));
    DispatchVoxelType(*type, [&](auto* tag) {
      using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
      for (uint64_t i = 0; i < frameVoxels; ++i) {
        T value;
        std::memcpy(&value, target + i * sizeof(T), sizeof(T));
        out[i] = static_cast<float>(slope * static_cast<double>(value) + intercept);
      }
      return 0;
    });
  }
  return volume;
}
