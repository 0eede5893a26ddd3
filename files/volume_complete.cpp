#include "files/volume_complete.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "files/volume_file.h"

namespace {

constexpr size_t kHeadBytes = 1 << 16;

// The first bytes of the content and its whole length, through zlib so that
// compressed and plain files read alike.
struct Content {
  std::vector<uint8_t> head;
  uint64_t size = 0;
};

[[noreturn]] void Truncated(const std::string& path) {
  throw VolumeFileError(path + ": file is truncated");
}

Content ReadContent(const std::string& path) {
  std::unique_ptr<gzFile_s, int (*)(gzFile)> file(gzopen(path.c_str(), "rb"), gzclose);
  Content content;
  if (!file) return content;
  content.head.resize(kHeadBytes);
  const int got = gzread(file.get(), content.head.data(), kHeadBytes);
  content.head.resize(got > 0 ? static_cast<size_t>(got) : 0);
  content.size = content.head.size();
  if (gzdirect(file.get())) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) content.size = static_cast<uint64_t>(status.st_size);
    return content;
  }
  std::vector<uint8_t> chunk(1 << 18);
  int n = got;
  while (n > 0) {
    n = gzread(file.get(), chunk.data(), static_cast<unsigned>(chunk.size()));
    if (n > 0) content.size += static_cast<uint64_t>(n);
  }
  int status = Z_OK;
  gzerror(file.get(), &status);
  if (n < 0 || status != Z_OK) Truncated(path);
  return content;
}

template <class T>
T Field(const std::vector<uint8_t>& head, size_t offset, bool swap) {
  T value{};
  if (offset + sizeof(T) > head.size()) return value;
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, head.data() + offset, sizeof(T));
  if (swap) {
    for (size_t a = 0, b = sizeof(T) - 1; a < b; ++a, --b) std::swap(bytes[a], bytes[b]);
  }
  std::memcpy(&value, bytes, sizeof(T));
  return value;
}

// Single-file NIfTI-1 or NIfTI-2: data offset plus dims times bitpix.
std::optional<uint64_t> NiftiExpected(const std::vector<uint8_t>& head) {
  for (bool swap : {false, true}) {
    const int32_t headerSize = Field<int32_t>(head, 0, swap);
    if (headerSize == 348 && head.size() >= 348 && std::memcmp(&head[344], "n+1", 4) == 0) {
      uint64_t voxels = 1;
      const int16_t rank = Field<int16_t>(head, 40, swap);
      for (int d = 1; d <= rank && d < 8; ++d) {
        voxels *= static_cast<uint64_t>(std::max<int16_t>(1, Field<int16_t>(head, 40 + 2 * d, swap)));
      }
      const uint64_t bits = static_cast<uint64_t>(Field<int16_t>(head, 72, swap));
      return static_cast<uint64_t>(Field<float>(head, 108, swap)) + voxels * bits / 8;
    }
    if (headerSize == 540 && head.size() >= 540 && std::memcmp(&head[4], "n+2", 4) == 0) {
      uint64_t voxels = 1;
      const int64_t rank = Field<int64_t>(head, 16, swap);
      for (int d = 1; d <= rank && d < 8; ++d) {
        voxels *= static_cast<uint64_t>(std::max<int64_t>(1, Field<int64_t>(head, 16 + 8 * d, swap)));
      }
      const uint64_t bits = static_cast<uint64_t>(Field<int16_t>(head, 14, swap));
      return static_cast<uint64_t>(Field<int64_t>(head, 168, swap)) + voxels * bits / 8;
    }
  }
  return std::nullopt;
}

// A text header ends where `marker` ends; the voxels follow.
std::optional<uint64_t> TextHeaderEnd(const std::string& text, const char* marker) {
  const size_t at = text.find(marker);
  if (at == std::string::npos) return std::nullopt;
  return at + std::strlen(marker);
}

std::optional<uint64_t> NrrdExpected(const std::string& text, uint64_t voxelBytes) {
  if (text.compare(0, 7, "NRRD000") != 0) return std::nullopt;
  const std::optional<uint64_t> end = TextHeaderEnd(text, "\n\n");
  if (!end) return std::nullopt;
  const std::string header = text.substr(0, *end);
  // Detached data, skips and compressed encodings are left to the reader.
  if (header.find("\nencoding: raw\n") == std::string::npos ||
      header.find("data file:") != std::string::npos ||
      header.find("datafile:") != std::string::npos || header.find(" skip:") != std::string::npos) {
    return std::nullopt;
  }
  return *end + voxelBytes;
}

std::optional<uint64_t> MetaImageExpected(const std::string& text, uint64_t voxelBytes) {
  const std::optional<uint64_t> end = TextHeaderEnd(text, "ElementDataFile = LOCAL\n");
  if (!end) return std::nullopt;
  const std::string header = text.substr(0, *end);
  if (header.find("CompressedData = True") != std::string::npos) {
    const size_t at = header.find("CompressedDataSize = ");
    if (at == std::string::npos) return std::nullopt;
    try {
      return *end + std::stoull(header.substr(at + 21));
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  return *end + voxelBytes;
}

// Legacy VTK, binary: the voxels follow the line naming the lookup table.
std::optional<uint64_t> VtkExpected(const std::string& text, uint64_t voxelBytes) {
  if (text.compare(0, 14, "# vtk DataFile") != 0 || text.find("\nBINARY") == std::string::npos) {
    return std::nullopt;
  }
  const size_t table = text.find("\nLOOKUP_TABLE ");
  if (table == std::string::npos) return std::nullopt;
  const size_t lineEnd = text.find('\n', table + 1);
  if (lineEnd == std::string::npos) return std::nullopt;
  return lineEnd + 1 + voxelBytes;
}

}  // namespace

void CheckFileComplete(const std::string& path, uint64_t voxelBytes) {
  const Content content = ReadContent(path);
  const std::string text(content.head.begin(), content.head.end());
  std::optional<uint64_t> expected = NiftiExpected(content.head);
  if (!expected) expected = NrrdExpected(text, voxelBytes);
  if (!expected) expected = MetaImageExpected(text, voxelBytes);
  if (!expected) expected = VtkExpected(text, voxelBytes);
  if (expected && content.size < *expected) Truncated(path);
}
