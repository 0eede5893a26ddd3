#include "files/dicom_checks.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <sstream>

#include <gdcmAttribute.h>
#include <gdcmReader.h>
#include <gdcmWriter.h>

#include "files/volume_file.h"

namespace {

const gdcm::Tag kNumberOfFrames(0x0028, 0x0008);
const gdcm::Tag kFrameIncrementPointer(0x0028, 0x0009);
const gdcm::Tag kPixelData(0x7fe0, 0x0010);

bool Present(const gdcm::DataSet& data, const gdcm::Tag& tag) {
  return data.FindDataElement(tag) && !data.GetDataElement(tag).IsEmpty();
}

// An unsigned short of group 0028, or 0 when absent or empty.
template <uint16_t Element>
uint64_t ImageValue(const gdcm::DataSet& data) {
  gdcm::Attribute<0x0028, Element> value{};
  if (!Present(data, gdcm::Tag(0x0028, Element))) return 0;
  value.SetFromDataElement(data.GetDataElement(gdcm::Tag(0x0028, Element)));
  return value.GetValue();
}

std::string Photometric(const gdcm::DataSet& data) {
  const gdcm::Tag tag(0x0028, 0x0004);
  if (!Present(data, tag) || data.GetDataElement(tag).GetByteValue() == nullptr) return "";
  const gdcm::ByteValue& value = *data.GetDataElement(tag).GetByteValue();
  return std::string(value.GetPointer(), value.GetLength());
}

uint64_t Frames(const gdcm::DataSet& data) {
  if (!Present(data, kNumberOfFrames)) return 1;
  gdcm::Attribute<0x0028, 0x0008> count{};
  count.SetFromDataElement(data.GetDataElement(kNumberOfFrames));
  return count.GetValue() > 0 ? static_cast<uint64_t>(count.GetValue()) : 1;
}

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

constexpr uint32_t kUndefinedLength = 0xffffffff;

// Pixel data whose value starts at `start`: the length its element declares
// and the bytes the file holds of it. nullopt when `start` does not follow a
// Pixel Data element header.
struct PixelBytes {
  uint64_t declared = 0;
  uint64_t held = 0;
};
std::optional<PixelBytes> PixelBytesHeld(const std::string& path, uint64_t start, const gdcm::TransferSyntax& syntax) {
  const Fd file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  struct stat status {};
  if (fstat(file.fd, &status) != 0) return std::nullopt;
  const bool big = syntax.GetSwapCode() == gdcm::SwapCode::BigEndian;
  const uint8_t expected[4] = {big ? uint8_t(0x7f) : uint8_t(0xe0), big ? uint8_t(0xe0) : uint8_t(0x7f),
                               big ? uint8_t(0x00) : uint8_t(0x10), big ? uint8_t(0x10) : uint8_t(0x00)};
  // Explicit VR: tag, VR, two reserved bytes, length; implicit: tag, length.
  // GDCM stops after the element's header for native data and before it
  // for encapsulated data.
  const uint64_t headerBytes = syntax.IsExplicit() ? 12 : 8;
  for (const uint64_t valueStart : {start, start + headerBytes}) {
    uint8_t header[12];
    if (valueStart < headerBytes || pread(file.fd, header, headerBytes, static_cast<off_t>(valueStart - headerBytes)) !=
                                        static_cast<ssize_t>(headerBytes)) {
      continue;
    }
    if (std::memcmp(header, expected, 4) != 0) continue;
    uint8_t* length = header + headerBytes - 4;
    if (big) std::reverse(length, length + 4);
    uint32_t declared;
    std::memcpy(&declared, length, 4);
    const uint64_t inFile = static_cast<uint64_t>(status.st_size) > valueStart ? status.st_size - valueStart : 0;
    return PixelBytes{declared, std::min<uint64_t>(declared, inFile)};
  }
  return std::nullopt;
}

// The file as GDCM writes it again, with Number of Frames set, in memory.
std::string RepairedFrameCount(const std::string& name, const std::string& path, uint64_t frames) {
  gdcm::Reader reader;
  reader.SetFileName(path.c_str());
  if (!reader.Read()) return path;
  gdcm::Attribute<0x0028, 0x0008> count{};
  count.SetValue(static_cast<int32_t>(frames));
  reader.GetFile().GetDataSet().Replace(count.GetAsDataElement());
  std::ostringstream bytes;
  gdcm::Writer writer;
  writer.SetStream(bytes);
  writer.SetFile(reader.GetFile());
  writer.CheckFileMetaInformationOff();
  if (!writer.Write()) throw VolumeFileError(name + ": cannot repair its frame count");
  const std::string written = bytes.str();
  const int fd = memfd_create("volview-dicom", 0);
  if (fd < 0 || write(fd, written.data(), written.size()) != static_cast<ssize_t>(written.size())) {
    throw VolumeFileError(name + ": cannot repair its frame count");
  }
  return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

std::string CheckDicomFile(const std::string& name, const std::string& path) {
  // Everything before the pixel data, which is left unread.
  gdcm::Reader reader;
  reader.SetFileName(path.c_str());
  if (!reader.ReadUpToTag(kPixelData, {kPixelData})) return path;
  const gdcm::DataSet& data = reader.GetFile().GetDataSet();
  const gdcm::TransferSyntax& syntax = reader.GetFile().GetHeader().GetDataSetTransferSyntax();
  uint64_t samples = std::max<uint64_t>(1, ImageValue<0x0002>(data));
  // 4:2:2 colour stores two values per pixel: Y for each, Cb and Cr shared by two.
  if (samples == 3 && Photometric(data).find("_422") != std::string::npos) samples = 2;
  const uint64_t frameBytes =
      (ImageValue<0x0010>(data) * ImageValue<0x0011>(data) * samples * ImageValue<0x0100>(data) + 7) / 8;
  const uint64_t frames = Frames(data);
  // Compressed (or deflated) pixel data is measured by its decoder.
  std::optional<uint64_t> held;
  const bool native = !syntax.IsEncapsulated() && !syntax.IsEncoded();
  if (const std::optional<PixelBytes> pixels = PixelBytesHeld(path, reader.GetStreamCurrentPosition(), syntax)) {
    // A length beyond the file's end is a file cut short in any syntax, and
    // a reader would allocate all it declares. (Encapsulated data of
    // undefined length is measured by its decoder.)
    uint64_t needed = pixels->declared == kUndefinedLength ? 0 : pixels->declared;
    if (native && frameBytes > 0) {
      held = pixels->held;
      needed = std::max(needed, frames * frameBytes);
    }
    if (pixels->held < needed) {
      throw VolumeFileError(name + ": file is cut short (pixel data holds " + std::to_string(pixels->held) + " of " +
                            std::to_string(needed) + " bytes)");
    }
  }
  if (Present(data, kNumberOfFrames) || !Present(data, kFrameIncrementPointer)) return path;
  return RepairedFrameCount(name, path, held ? std::max<uint64_t>(1, *held / frameBytes) : 1);
}
