#include "files/volume_complete.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
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

// Classic TIFF: every directory and every strip or tile must lie within
// the file; cutting a stack short leaves a directory or strip past its end.
class TiffWalker {
public:
  explicit TiffWalker(const std::string& path) : file_(std::fopen(path.c_str(), "rb"), std::fclose) {
    struct stat status {};
    if (file_ && fstat(fileno(file_.get()), &status) == 0) size_ = static_cast<uint64_t>(status.st_size);
  }

  // False when something the file's directories point at lies past its end.
  bool Complete() {
    uint8_t header[8];
    if (!Read(0, header, 8)) return true;  // too short to be TIFF: left to the reader
    if (std::memcmp(header, "II*\0", 4) == 0) {
      bigEndian_ = false;
    } else if (std::memcmp(header, "MM\0*", 4) == 0) {
      bigEndian_ = true;
    } else {
      return true;
    }
    uint64_t directory = Number(header + 4, 4);
    std::set<uint64_t> seen;
    while (directory != 0) {
      if (!seen.insert(directory).second) return true;  // a loop: left to the reader
      uint8_t count[2];
      if (!Read(directory, count, 2)) return false;
      const uint64_t entries = Number(count, 2);
      std::vector<uint8_t> table(entries * 12 + 4);
      if (!Read(directory + 2, table.data(), table.size())) return false;
      std::vector<uint64_t> starts, lengths;  // of strips or tiles
      for (uint64_t e = 0; e < entries; ++e) {
        const uint8_t* entry = table.data() + e * 12;
        const uint64_t tag = Number(entry, 2);
        static const uint64_t kTypeBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
        const uint64_t type = Number(entry + 2, 2);
        const uint64_t bytes = (type < 13 ? kTypeBytes[type] : 0) * Number(entry + 4, 4);
        if (bytes > 4 && Number(entry + 8, 4) + bytes > size_) return false;
        std::vector<uint64_t>* list = tag == 273 || tag == 324 ? &starts
                                      : tag == 279 || tag == 325 ? &lengths
                                                                : nullptr;
        if (list == nullptr) continue;
        const uint64_t width = Number(entry + 2, 2) == 3 ? 2 : 4;
        const uint64_t n = Number(entry + 4, 4);
        if (n > (uint64_t(1) << 24)) return true;
        std::vector<uint8_t> values(n * width);
        if (n * width <= 4) {
          std::memcpy(values.data(), entry + 8, n * width);
        } else if (!Read(Number(entry + 8, 4), values.data(), values.size())) {
          return false;
        }
        for (uint64_t i = 0; i < n; ++i) list->push_back(Number(values.data() + i * width, width));
      }
      for (size_t i = 0; i < starts.size() && i < lengths.size(); ++i) {
        if (starts[i] + lengths[i] > size_) return false;
      }
      directory = Number(table.data() + entries * 12, 4);
    }
    return true;
  }

private:
  bool Read(uint64_t position, uint8_t* out, uint64_t count) {
    if (!file_ || position + count > size_) return false;
    return std::fseek(file_.get(), static_cast<long>(position), SEEK_SET) == 0 &&
           std::fread(out, 1, count, file_.get()) == count;
  }

  uint64_t Number(const uint8_t* bytes, uint64_t width) const {
    uint64_t value = 0;
    for (uint64_t i = 0; i < width; ++i) {
      const uint64_t byte = bytes[bigEndian_ ? i : width - 1 - i];
      value = (value << 8) | byte;
    }
    return value;
  }

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
  uint64_t size_ = 0;
  bool bigEndian_ = false;
};

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

void CheckTiffComplete(const std::string& path) {
  if (!TiffWalker(path).Complete()) Truncated(path);
}
