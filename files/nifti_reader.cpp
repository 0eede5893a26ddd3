#include "files/nifti_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "files/file_checks.h"
#include "files/volume_complete.h"
#include "files/volume_frame.h"
#include "files/voxel_dispatch.h"

namespace {

std::optional<VoxelType> FromDatatype(int datatype) {
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

bool ReadsNiftiItself(const NiftiHeader& header) {
  if (header.version == 2) return true;
  double spacing[3];
  return header.sformCode > 0 && header.qformCode <= 0 &&
         OrthonormalDeviation(header.Directions(spacing)) > kOrthonormalExact;
}

NiftiVolume ReadNifti(const std::string& name, const std::string& path, const NiftiHeader& h, int frame,
                      ReaderChannel& channel) {
  const std::string format = h.version == 2 ? "NIfTI-2" : "NIfTI";
  channel.Reader(format);
  const std::optional<VoxelType> type = FromDatatype(h.datatype);
  if (!type) {
    throw VolumeFileError(name + ": " + format + " datatype " + std::to_string(h.datatype) + " is not supported");
  }
  for (int d = 5; d <= h.rank && d < 8; ++d) {
    if (h.dims[d] != 1) {
      throw VolumeFileError(name + ": has " + std::to_string(h.rank) + " dimensions; 2, 3 or 4 can be shown");
    }
  }
  NiftiVolume volume;
  volume.info.format = format;
  volume.info.fileType = *type;
  volume.info.anatomical = true;
  volume.info.sizes = {h.dims[1], h.rank >= 2 ? h.dims[2] : 1, h.rank >= 3 ? h.dims[3] : 1};
  volume.info.frames = h.rank >= 4 ? static_cast<int>(h.dims[4]) : 1;
  if (frame < 0 || frame >= volume.info.frames) {
    throw VolumeFileError(name + ": frame " + std::to_string(frame) + " does not exist (" +
                          std::to_string(volume.info.frames) + " frames)");
  }
  const size_t width = VoxelTypeBytes(*type);
  const uint64_t frameVoxels = static_cast<uint64_t>(volume.info.sizes[0]) *
                               static_cast<uint64_t>(volume.info.sizes[1]) *
                               static_cast<uint64_t>(volume.info.sizes[2]);
  const uint64_t frameBytes = frameVoxels * width;
  CheckFileComplete(name, path, "NIfTI", frameBytes * static_cast<uint64_t>(volume.info.frames), 0);

  // NIfTI is RAS, the viewer's frame LPS.
  const DirectionMatrix ras = h.Directions(volume.info.spacing.data());
  const std::array<double, 3> origin = h.Origin();
  for (int a = 0; a < 3; ++a) {
    volume.info.direction[0][a] = -ras[0][a];
    volume.info.direction[1][a] = -ras[1][a];
    volume.info.direction[2][a] = ras[2][a];
  }
  volume.info.origin = {-origin[0], -origin[1], origin[2]};

  const bool scaled = std::isfinite(h.slope) && std::isfinite(h.intercept) && h.slope != 0 &&
                      (h.slope != 1 || h.intercept != 0);
  volume.storedType = scaled ? VoxelType::Float32 : *type;
  CheckMemory(name, frameBytes + (scaled ? frameVoxels * 4 : 0));
  channel.UnlimitMemory();
  Gz file(gzopen((h.single ? path : NiftiImagePath(path)).c_str(), "rb"), gzclose);
  if (!file) throw VolumeFileError(name + ": cannot read its data file");
  const z_off_t offset = static_cast<z_off_t>(h.voxOffset) + static_cast<z_off_t>(frameBytes) * frame;
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
        out[i] = static_cast<float>(h.slope * static_cast<double>(value) + h.intercept);
      }
      return 0;
    });
  }
  return volume;
}
