#include "files/nifti_header.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

template <class T>
T Field(const std::vector<uint8_t>& head, size_t offset, bool swap) {
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, head.data() + offset, sizeof(T));
  if (swap) std::reverse(bytes, bytes + sizeof(T));
  T value;
  std::memcpy(&value, bytes, sizeof(T));
  return value;
}

// Where each field lies and how wide it is in the two versions.
struct Layout {
  int32_t size;
  size_t rank, dim, datatype, bitpix, pixdim, voxOffset, slope, qformCode, sformCode, quatern, srow, magic;
};
constexpr Layout kVersion1{348, 40, 42, 70, 72, 76, 108, 112, 252, 254, 256, 280, 344};
constexpr Layout kVersion2{540, 16, 24, 12, 14, 104, 168, 176, 344, 348, 352, 400, 4};

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::optional<NiftiHeader> ParseNiftiHeader(const std::vector<uint8_t>& head) {
  if (head.size() < 4) return std::nullopt;
  for (bool swap : {false, true}) {
    const int32_t size = Field<int32_t>(head, 0, swap);
    const bool two = size == kVersion2.size;
    if ((size != kVersion1.size && !two) || head.size() < static_cast<size_t>(size)) continue;
    const Layout& at = two ? kVersion2 : kVersion1;
    // Version 1 stores integers in 16 bits and reals in 32, version 2 in 64.
    auto integer = [&](size_t offset) -> int64_t {
      return two ? Field<int64_t>(head, offset, swap) : Field<int16_t>(head, offset, swap);
    };
    auto real = [&](size_t offset) -> double {
      return two ? Field<double>(head, offset, swap) : Field<float>(head, offset, swap);
    };
    const size_t step = two ? 8 : 4;
    NiftiHeader n;
    n.version = two ? 2 : 1;
    n.swap = swap;
    n.single = std::memcmp(&head[at.magic], two ? "n+2" : "n+1", 4) == 0;
    n.rank = integer(at.rank);
    for (int d = 1; d < 8; ++d) n.dims[d] = integer(at.dim + (two ? 8 : 2) * (d - 1));
    n.datatype = Field<int16_t>(head, at.datatype, swap);
    n.bitpix = Field<int16_t>(head, at.bitpix, swap);
    for (int d = 0; d < 8; ++d) n.pixdim[d] = real(at.pixdim + step * d);
    n.voxOffset = two ? static_cast<double>(Field<int64_t>(head, at.voxOffset, swap)) : real(at.voxOffset);
    n.slope = real(at.slope);
    n.intercept = real(at.slope + step);
    n.qformCode = two ? Field<int32_t>(head, at.qformCode, swap) : Field<int16_t>(head, at.qformCode, swap);
    n.sformCode = two ? Field<int32_t>(head, at.sformCode, swap) : Field<int16_t>(head, at.sformCode, swap);
    for (int q = 0; q < 6; ++q) n.quatern[q] = real(at.quatern + step * q);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 4; ++c) n.srow[r][c] = real(at.srow + step * (4 * r + c));
    }
    return n;
  }
  return std::nullopt;
}

bool NiftiHeader::MatricesFinite() const {
  bool finite = std::all_of(pixdim + 1, pixdim + 8, [](double v) { return std::isfinite(v); });
  if (qformCode > 0) finite = finite && std::all_of(quatern, quatern + 6, [](double v) { return std::isfinite(v); });
  if (sformCode > 0) {
    finite = finite && std::all_of(&srow[0][0], &srow[0][0] + 12, [](double v) { return std::isfinite(v); });
  }
  return finite;
}

DirectionMatrix NiftiHeader::Directions(double spacing[3]) const {
  for (int a = 0; a < 3; ++a) spacing[a] = std::fabs(pixdim[a + 1]);
  DirectionMatrix m{};
  if (sformCode > 0) {
    for (int a = 0; a < 3; ++a) {
      spacing[a] = std::sqrt(srow[0][a] * srow[0][a] + srow[1][a] * srow[1][a] + srow[2][a] * srow[2][a]);
      for (int p = 0; p < 3; ++p) m[p][a] = spacing[a] > 0 ? srow[p][a] / spacing[a] : 0;
    }
  } else if (qformCode > 0) {
    const double b = quatern[0], c = quatern[1], d = quatern[2];
    const double a = std::sqrt(std::fmax(0.0, 1 - b * b - c * c - d * d));
    const double qfac = pixdim[0] < 0 ? -1 : 1;
    m = {{{a * a + b * b - c * c - d * d, 2 * (b * c - a * d), qfac * 2 * (b * d + a * c)},
          {2 * (b * c + a * d), a * a + c * c - b * b - d * d, qfac * 2 * (c * d - a * b)},
          {2 * (b * d - a * c), 2 * (c * d + a * b), qfac * (a * a + d * d - c * c - b * b)}}};
  } else {
    m = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  }
  return m;
}

std::array<double, 3> NiftiHeader::Origin() const {
  if (sformCode > 0) return {srow[0][3], srow[1][3], srow[2][3]};
  if (qformCode > 0) return {quatern[3], quatern[4], quatern[5]};
  return {0, 0, 0};
}

std::vector<uint8_t> ContentHead(const std::string& path, size_t bytes) {
  std::vector<uint8_t> head;
  // Non-blocking: the file's kind may not have been checked yet.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return head;
  gzFile gz = gzdopen(fd, "rb");
  if (gz == nullptr) {
    close(fd);
    return head;
  }
  head.resize(bytes);
  const int got = gzread(gz, head.data(), static_cast<unsigned>(bytes));
  head.resize(got > 0 ? static_cast<size_t>(got) : 0);
  gzclose(gz);
  return head;
}

std::optional<NiftiHeader> ReadNiftiHeader(const std::string& path) { return ParseNiftiHeader(ContentHead(path, 540)); }

std::string NiftiImagePath(const std::string& path) {
  for (const char* hdr : {".hdr", ".hdr.gz", ".HDR"}) {
    if (EndsWith(path, hdr)) {
      const std::string stem = path.substr(0, path.size() - std::strlen(hdr));
      for (const char* img : {".img", ".img.gz", ".IMG"}) {
        if (access((stem + img).c_str(), F_OK) == 0) return stem + img;
      }
      return stem + ".img";
    }
  }
  return {};
}
