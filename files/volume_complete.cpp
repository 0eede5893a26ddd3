#include "files/volume_complete.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "files/file_checks.h"
#include "files/nifti_header.h"
#include "files/volume_file.h"

namespace {

constexpr size_t kHeadBytes = 1 << 16;
constexpr size_t kChunk = 1 << 18;

[[noreturn]] void CutShort(const std::string& name, const std::string& what = "") {
  throw VolumeFileError(name + ": file is cut short" + what);
}

struct Fd {
  int fd = -1;
  explicit Fd(const std::string& path) : fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

uint64_t FileSize(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

// The first bytes of a file as stored.
std::vector<uint8_t> Head(const std::string& path, size_t bytes = kHeadBytes) {
  Fd file(path);
  std::vector<uint8_t> head(bytes);
  const ssize_t got = file.fd < 0 ? -1 : pread(file.fd, head.data(), bytes, 0);
  head.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return head;
}

// --- NIfTI -----------------------------------------------------------------

void CheckNiftiSane(const std::string& name, const NiftiHeader& n) {
  if (n.rank < 1 || n.rank > 7) {
    throw VolumeFileError(name + ": NIfTI header has " + std::to_string(n.rank) + " dimensions (1 to 7 allowed)");
  }
  for (int d = 1; d <= n.rank; ++d) {
    if (n.dims[d] < 1) throw VolumeFileError(name + ": NIfTI header has a size below 1");
  }
  if (!n.MatricesFinite()) {
    throw VolumeFileError(name + ": NIfTI header holds a non-finite spacing or orientation matrix");
  }
  if (!(n.voxOffset >= 0 && n.voxOffset < 1e15) || n.voxOffset != std::floor(n.voxOffset) ||
      (n.single && n.voxOffset < (n.version == 1 ? 348 : 540))) {
    throw VolumeFileError(name + ": NIfTI header has an invalid data offset (vox_offset)");
  }
  if (n.bitpix <= 0 || n.bitpix % 8 != 0) throw VolumeFileError(name + ": NIfTI header has an invalid bitpix");
}

bool Gzipped(const std::string& path) {
  const std::vector<uint8_t> head = Head(path, 2);
  return head.size() == 2 && head[0] == 0x1f && head[1] == 0x8b;
}

// Content length of `path` from `offset`, stopping at `enough`.
uint64_t ContentBytes(const std::string& name, const std::string& path, uint64_t offset, uint64_t enough) {
  if (Gzipped(path)) return InflatedBytes(name, path, offset, enough);
  const uint64_t size = FileSize(path);
  return size > offset ? size - offset : 0;
}

void CheckNifti(const std::string& name, const std::string& path) {
  const std::optional<NiftiHeader> n = ReadNiftiHeader(path);
  if (!n) return;
  CheckNiftiSane(name, *n);
  uint64_t voxels = 1;
  for (int d = 1; d <= n->rank; ++d) {
    if (__builtin_mul_overflow(voxels, static_cast<uint64_t>(n->dims[d]), &voxels)) {
      throw VolumeFileError(name + ": volume is too large");
    }
  }
  uint64_t bytes = 0;
  if (__builtin_mul_overflow(voxels, static_cast<uint64_t>(n->bitpix / 8), &bytes)) {
    throw VolumeFileError(name + ": volume is too large");
  }
  const uint64_t offset = static_cast<uint64_t>(n->voxOffset);
  if (n->single) {
    if (ContentBytes(name, path, 0, offset + bytes) < offset + bytes) CutShort(name);
    return;
  }
  const std::string image = NiftiImagePath(path);
  if (image.empty()) return;
  CheckDataFile(name, path, image);
  if (ContentBytes(name, image, 0, offset + bytes) < offset + bytes) {
    CutShort(name, " (data file " + EscapedName(image) + ")");
  }
}

// --- text headers ------------------------------------------------------------

struct TextHeader {
  std::map<std::string, std::string> fields;  // keys in lower case
  uint64_t end = 0;                           // where attached data starts
  std::vector<std::string> after;             // lines after the header (MetaImage LIST)
};

std::string Trim(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  return text.substr(start);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// NRRD: "key: value" lines up to an empty line (or the end of a detached header).
TextHeader ParseNrrd(const std::string& text) {
  TextHeader header;
  size_t at = text.find('\n');
  while (at != std::string::npos && at + 1 <= text.size()) {
    const size_t next = text.find('\n', at + 1);
    const std::string line = text.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
    if (Trim(line).empty()) {
      header.end = at + 1 + line.size() + (next == std::string::npos ? 0 : 1);
      return header;
    }
    const size_t colon = line.find(':');
    if (line[0] != '#' && colon != std::string::npos) {
      const bool keyValue = colon + 1 < line.size() && line[colon + 1] == '=';
      if (!keyValue) header.fields[Lower(Trim(line.substr(0, colon)))] = Trim(line.substr(colon + 1));
    }
    at = next;
  }
  header.end = text.size();
  return header;
}

// MetaImage: "Key = Value" lines, the last being ElementDataFile.
std::optional<TextHeader> ParseMeta(const std::string& text) {
  TextHeader header;
  size_t at = 0;
  bool list = false;
  while (at < text.size()) {
    size_t next = text.find('\n', at);
    if (next == std::string::npos) next = text.size();
    const std::string line = text.substr(at, next - at);
    at = next + 1;
    if (list) {
      if (!Trim(line).empty()) header.after.push_back(Trim(line));
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return std::nullopt;
    const std::string key = Lower(Trim(line.substr(0, equals)));
    header.fields[key] = Trim(line.substr(equals + 1));
    if (key == "elementdatafile") {
      header.end = std::min<uint64_t>(at, text.size());
      const std::string value = Lower(header.fields[key]);
      if (value.compare(0, 4, "list") != 0) return header;
      list = true;
    }
  }
  return list ? std::optional<TextHeader>(header) : std::nullopt;
}

std::optional<int64_t> Number(const std::map<std::string, std::string>& fields, const std::string& key) {
  const auto found = fields.find(key);
  if (found == fields.end()) return std::nullopt;
  try {
    return std::stoll(found->second);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void NeedBytes(const std::string& name, uint64_t have, uint64_t need, const std::string& data = "") {
  if (have < need) CutShort(name, data.empty() ? "" : " (data file " + EscapedName(data) + ")");
}

void CheckNrrd(const std::string& name, const std::string& path, uint64_t voxelBytes, uint64_t values) {
  const std::vector<uint8_t> head = Head(path);
  const std::string text(head.begin(), head.end());
  if (text.compare(0, 7, "NRRD000") != 0) return;
  const TextHeader header = ParseNrrd(text);
  const auto& f = header.fields;
  std::string data = path;
  uint64_t offset = header.end;
  for (const char* key : {"data file", "datafile"}) {
    const auto found = f.find(key);
    if (found == f.end()) continue;
    const std::string& value = found->second;
    // Several data files (LIST or a pattern) are left to the reader.
    if (value.compare(0, 4, "LIST") == 0 || value.find(' ') != std::string::npos) return;
    data = BesideHeader(path, value);
    offset = 0;
    CheckDataFile(name, path, data);
  }
  const int64_t skip = Number(f, "byte skip").value_or(Number(f, "byteskip").value_or(0));
  const std::string encoding = Lower(f.count("encoding") ? f.at("encoding") : "raw");
  const std::string shown = data == path ? "" : data;
  if (encoding == "raw") {
    if (skip < 0) {
      NeedBytes(name, FileSize(data), voxelBytes, shown);
    } else {
      NeedBytes(name, FileSize(data), offset + static_cast<uint64_t>(skip) + voxelBytes, shown);
    }
  } else if (encoding == "gzip" || encoding == "gz") {
    NeedBytes(name, InflatedBytes(name, data, offset, voxelBytes), voxelBytes, shown);
  } else if (encoding == "ascii" || encoding == "text" || encoding == "txt") {
    if (CountedValues(data, offset, values) < values) CutShort(name, shown.empty() ? "" : " (data file " + EscapedName(shown) + ")");
  }
}

void CheckMeta(const std::string& name, const std::string& path, uint64_t voxelBytes) {
  const std::vector<uint8_t> head = Head(path);
  const std::optional<TextHeader> header = ParseMeta(std::string(head.begin(), head.end()));
  if (!header) return;
  const auto& f = header->fields;
  const std::string file = f.at("elementdatafile");
  const bool compressed = Lower(f.count("compresseddata") ? f.at("compresseddata") : "") == "true";
  if (Lower(file).compare(0, 4, "list") == 0) {
    for (const std::string& slice : header->after) CheckDataFile(name, path, BesideHeader(path, slice));
    return;
  }
  if (file.find('%') != std::string::npos) return;  // numbered slices: left to the reader
  std::string data = path;
  uint64_t offset = header->end;
  if (Lower(file) != "local") {
    data = BesideHeader(path, file);
    offset = 0;
    CheckDataFile(name, path, data);
  }
  const std::string shown = data == path ? "" : data;
  const int64_t headerSize = Number(f, "headersize").value_or(0);
  if (compressed) {
    const std::optional<int64_t> stated = Number(f, "compresseddatasize");
    if (stated && *stated > 0) NeedBytes(name, FileSize(data), offset + static_cast<uint64_t>(*stated), shown);
    NeedBytes(name, InflatedBytes(name, data, offset, voxelBytes), voxelBytes, shown);
  } else if (headerSize < 0) {
    NeedBytes(name, FileSize(data), voxelBytes, shown);
  } else {
    NeedBytes(name, FileSize(data), offset + static_cast<uint64_t>(headerSize) + voxelBytes, shown);
  }
}

// Legacy VTK: the voxels follow the line naming the lookup table.
void CheckVtk(const std::string& name, const std::string& path, uint64_t voxelBytes, uint64_t values) {
  const std::vector<uint8_t> head = Head(path);
  const std::string text(head.begin(), head.end());
  if (text.compare(0, 14, "# vtk DataFile") != 0) return;
  const size_t table = text.find("\nLOOKUP_TABLE ");
  if (table == std::string::npos) return;
  const size_t lineEnd = text.find('\n', table + 1);
  if (lineEnd == std::string::npos) CutShort(name);
  const uint64_t start = lineEnd + 1;
  if (text.find("\nBINARY") != std::string::npos) {
    NeedBytes(name, FileSize(path), start + voxelBytes);
  } else if (CountedValues(path, start, values) < values) {
    CutShort(name);
  }
}

// Classic TIFF: every directory and every strip or tile must lie within
// the file; cutting a stack short leaves a directory or strip past its end.
class TiffWalker {
public:
  explicit TiffWalker(const std::string& path) : file_(path), size_(FileSize(path)) {}

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
    if (file_.fd < 0 || position + count > size_) return false;
    return pread(file_.fd, out, count, static_cast<off_t>(position)) == static_cast<ssize_t>(count);
  }

  uint64_t Number(const uint8_t* bytes, uint64_t width) const {
    uint64_t value = 0;
    for (uint64_t i = 0; i < width; ++i) {
      const uint64_t byte = bytes[bigEndian_ ? i : width - 1 - i];
      value = (value << 8) | byte;
    }
    return value;
  }

  Fd file_;
  uint64_t size_ = 0;
  bool bigEndian_ = false;
};

}  // namespace

uint64_t InflatedBytes(const std::string& name, const std::string& path, uint64_t offset, uint64_t enough) {
  Fd file(path);
  if (file.fd < 0) return 0;
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 32) != Z_OK) throw std::bad_alloc();
  std::vector<uint8_t> in(kChunk), out(kChunk);
  uint64_t total = 0, position = offset;
  bool ended = false;
  // One byte past the claim: a stream holding exactly the claim is read to
  // its end, so that a damaged or missing trailer is seen.
  while (total <= enough && !ended) {
    const ssize_t got = pread(file.fd, in.data(), in.size(), static_cast<off_t>(position));
    if (got <= 0) break;
    position += static_cast<uint64_t>(got);
    stream.next_in = in.data();
    stream.avail_in = static_cast<uInt>(got);
    while (stream.avail_in > 0 && total <= enough) {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      const int status = inflate(&stream, Z_NO_FLUSH);
      total += out.size() - stream.avail_out;
      if (status == Z_STREAM_END) {
        // gzip allows members one after another; anything else ends it.
        if (stream.avail_in >= 2 && stream.next_in[0] == 0x1f && stream.next_in[1] == 0x8b) {
          inflateReset(&stream);
          continue;
        }
        ended = true;
        break;
      }
      if (status != Z_OK && status != Z_BUF_ERROR) {
        const std::string message = stream.msg ? stream.msg : "invalid stream";
        inflateEnd(&stream);
        throw VolumeFileError(name + ": damaged compressed data (" + message + ")");
      }
    }
  }
  inflateEnd(&stream);
  if (!ended && total <= enough) CutShort(name, " (compressed data ends early)");
  return total;
}

uint64_t CountedValues(const std::string& path, uint64_t offset, uint64_t enough) {
  Fd file(path);
  if (file.fd < 0) return 0;
  std::vector<char> chunk(kChunk);
  uint64_t count = 0, position = offset;
  bool inValue = false;
  while (count < enough) {
    const ssize_t got = pread(file.fd, chunk.data(), chunk.size(), static_cast<off_t>(position));
    if (got <= 0) break;
    position += static_cast<uint64_t>(got);
    for (ssize_t i = 0; i < got; ++i) {
      const char c = chunk[static_cast<size_t>(i)];
      const bool separator = std::isspace(static_cast<unsigned char>(c)) || c == ',';
      if (!separator && !inValue) ++count;
      inValue = !separator;
    }
  }
  return count;
}

void CheckHeaderSane(const std::string& name, const std::string& path) {
  const std::vector<uint8_t> head = Head(path, 4096);
  const std::string text(head.begin(), head.end());
  if (text.compare(0, 7, "NRRD000") == 0) {
    const TextHeader header = ParseNrrd(text);
    const std::optional<int64_t> dimension = Number(header.fields, "dimension");
    if (dimension && (*dimension < 1 || *dimension > 4)) {
      throw VolumeFileError(name + ": has " + std::to_string(*dimension) +
                            " dimensions; 2, 3 or 4 can be shown");
    }
    // A zero or non-finite direction leaves no orientation to show.
    const auto directions = header.fields.find("space directions");
    if (directions != header.fields.end()) {
      std::string vectors = directions->second;
      size_t open = vectors.find('(');
      while (open != std::string::npos) {
        const size_t close = vectors.find(')', open);
        if (close == std::string::npos) break;
        double length = 0;
        bool finite = true;
        std::string part = vectors.substr(open + 1, close - open - 1);
        for (char& ch : part) ch = ch == ',' ? ' ' : ch;
        const char* at = part.c_str();
        char* end = nullptr;
        for (double v = std::strtod(at, &end); end != at; at = end, v = std::strtod(at, &end)) {
          finite = finite && std::isfinite(v);
          length += v * v;
        }
        if (!finite || !(length > 0)) {
          throw VolumeFileError(name + ": NRRD space directions hold a zero or non-finite vector");
        }
        open = vectors.find('(', close);
      }
    }
    // The reader opens a data file while reading the header: a FIFO would
    // block it.
    for (const char* key : {"data file", "datafile"}) {
      const auto found = header.fields.find(key);
      if (found == header.fields.end()) continue;
      const std::string& value = found->second;
      if (value.compare(0, 4, "LIST") != 0 && value.find(' ') == std::string::npos) {
        CheckDataFile(name, path, BesideHeader(path, value));
      }
    }
    return;
  }
  if (const std::optional<TextHeader> meta = ParseMeta(text)) {
    const std::string file = meta->fields.at("elementdatafile");
    if (Lower(file).compare(0, 4, "list") == 0) {
      for (const std::string& slice : meta->after) CheckDataFile(name, path, BesideHeader(path, slice));
    } else if (Lower(file) != "local" && file.find('%') == std::string::npos) {
      CheckDataFile(name, path, BesideHeader(path, file));
    }
    return;
  }
  const std::optional<NiftiHeader> n = ReadNiftiHeader(path);
  if (!n) return;
  CheckNiftiSane(name, *n);
  const std::string image = n->single ? "" : NiftiImagePath(path);
  if (!image.empty()) CheckDataFile(name, path, image);
}

void CheckFileComplete(const std::string& name, const std::string& path, const std::string& format,
                       uint64_t voxelBytes, uint64_t values) {
  if (format == "NIfTI") {
    CheckNifti(name, path);
  } else if (format == "NRRD") {
    CheckNrrd(name, path, voxelBytes, values);
  } else if (format == "MetaImage") {
    CheckMeta(name, path, voxelBytes);
  } else if (format == "VTK") {
    CheckVtk(name, path, voxelBytes, values);
  } else if (format == "TIFF") {
    CheckTiffComplete(name, path);
  }
}

void CheckTiffComplete(const std::string& name, const std::string& path) {
  if (!TiffWalker(path).Complete()) CutShort(name);
}

namespace {

size_t NrrdTypeWidth(std::string type) {
  type = Lower(type);
  for (const char* prefix : {"signed ", "unsigned "}) {
    if (type.compare(0, std::strlen(prefix), prefix) == 0) type = type.substr(std::strlen(prefix));
  }
  static const std::map<std::string, size_t> kWidths = {
      {"char", 1}, {"int8", 1}, {"int8_t", 1}, {"uchar", 1}, {"uint8", 1}, {"uint8_t", 1},
      {"short", 2}, {"short int", 2}, {"int16", 2}, {"int16_t", 2}, {"ushort", 2}, {"uint16", 2},
      {"uint16_t", 2}, {"int", 4}, {"int32", 4}, {"int32_t", 4}, {"uint", 4}, {"uint32", 4},
      {"uint32_t", 4}, {"float", 4}, {"double", 8}};
  const auto found = kWidths.find(type);
  return found == kWidths.end() ? 0 : found->second;
}

size_t MetaTypeWidth(const std::string& type) {
  static const std::map<std::string, size_t> kWidths = {
      {"MET_CHAR", 1}, {"MET_UCHAR", 1}, {"MET_SHORT", 2}, {"MET_USHORT", 2}, {"MET_INT", 4},
      {"MET_UINT", 4}, {"MET_FLOAT", 4}, {"MET_DOUBLE", 8}};
  const auto found = kWidths.find(type);
  return found == kWidths.end() ? 0 : found->second;
}

std::optional<RawSpan> NrrdSpan(const std::string& path, uint64_t voxelBytes, size_t width) {
  const std::vector<uint8_t> head = Head(path);
  const std::string text(head.begin(), head.end());
  if (text.compare(0, 7, "NRRD000") != 0) return std::nullopt;
  const TextHeader header = ParseNrrd(text);
  const auto& f = header.fields;
  const auto field = [&f](const char* key) { return f.count(key) ? f.at(key) : std::string(); };
  if (Lower(field("encoding")) != "raw" || NrrdTypeWidth(field("type")) != width) return std::nullopt;
  if (Number(f, "line skip").value_or(Number(f, "lineskip").value_or(0)) != 0) return std::nullopt;
  RawSpan span{path, header.end, Lower(field("endian")) == "big"};
  if (width > 1 && field("endian").empty()) return std::nullopt;
  const std::string data = f.count("data file") ? field("data file") : field("datafile");
  if (!data.empty()) {
    if (data.find(' ') != std::string::npos || data.compare(0, 4, "LIST") == 0) return std::nullopt;
    span.path = BesideHeader(path, data);
    span.offset = 0;
  } else if (header.end >= text.size() && head.size() == kHeadBytes) {
    return std::nullopt;  // a header longer than what was looked at
  }
  const int64_t skip = Number(f, "byte skip").value_or(Number(f, "byteskip").value_or(0));
  if (skip == -1) {
    const uint64_t size = FileSize(span.path);
    if (size < voxelBytes) return std::nullopt;
    span.offset = size - voxelBytes;
  } else if (skip >= 0) {
    span.offset += static_cast<uint64_t>(skip);
  } else {
    return std::nullopt;
  }
  return span;
}

std::optional<RawSpan> MetaSpan(const std::string& path, uint64_t voxelBytes, size_t width) {
  const std::vector<uint8_t> head = Head(path);
  const std::optional<TextHeader> header = ParseMeta(std::string(head.begin(), head.end()));
  if (!header || !header->after.empty()) return std::nullopt;
  const auto& f = header->fields;
  const auto field = [&f](const char* key) { return f.count(key) ? f.at(key) : std::string(); };
  if (Lower(field("compresseddata")) == "true" || MetaTypeWidth(field("elementtype")) != width) return std::nullopt;
  if (!field("elementnumberofchannels").empty() && field("elementnumberofchannels") != "1") return std::nullopt;
  const std::string file = field("elementdatafile");
  if (file.find('%') != std::string::npos || file.find(' ') != std::string::npos) return std::nullopt;
  const bool big = Lower(field("binarydatabyteordermsb")) == "true" || Lower(field("elementbyteordermsb")) == "true";
  RawSpan span{path, header->end, big};
  if (Lower(file) != "local") {
    span.path = BesideHeader(path, file);
    span.offset = 0;
  }
  const int64_t headerSize = Number(f, "headersize").value_or(0);
  if (headerSize == -1) {
    const uint64_t size = FileSize(span.path);
    if (size < voxelBytes) return std::nullopt;
    span.offset = size - voxelBytes;
  } else if (headerSize >= 0) {
    span.offset += static_cast<uint64_t>(headerSize);
  } else {
    return std::nullopt;
  }
  return span;
}

}  // namespace

std::optional<RawSpan> FindRawSpan(const std::string& path, const std::string& format, uint64_t voxelBytes,
                                   size_t width) {
  if (format == "NRRD") return NrrdSpan(path, voxelBytes, width);
  if (format == "MetaImage") return MetaSpan(path, voxelBytes, width);
  return std::nullopt;
}

void CheckGzipStream(const std::string& name, const std::string& path) {
  if (Gzipped(path)) InflatedBytes(name, path, 0, UINT64_MAX - 1);
}
