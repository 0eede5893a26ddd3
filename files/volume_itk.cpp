// OpenVolume: ITK's image IO for files, GDCM through ITK for DICOM folders,
// the raw reader for headerless files; then the canonical orientation. ITK
// and the libraries under it run in a child process (reader_child.h).
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include <gdcmTrace.h>
#include <itkGDCMImageIO.h>
#include <itkOutputWindow.h>
#include <itkGDCMSeriesFileNames.h>
#include <itkImageIOFactory.h>
#include <itkImageSeriesReader.h>
#include <itkMetaDataObject.h>
#include <itkBMPImageIOFactory.h>
#include <itkBioRadImageIOFactory.h>
#include <itkGDCMImageIOFactory.h>
#include <itkGiplImageIOFactory.h>
#include <itkHDF5ImageIOFactory.h>
#include <itkJPEGImageIOFactory.h>
#include <itkLSMImageIOFactory.h>
#include <itkMINCImageIOFactory.h>
#include <itkMRCImageIOFactory.h>
#include <itkMetaImageIOFactory.h>
#include <itkNiftiImageIOFactory.h>
#include <itkNrrdImageIOFactory.h>
#include <itkPNGImageIOFactory.h>
#include <itkStimulateImageIOFactory.h>
#include <itkTIFFImageIOFactory.h>
#include <itkVTKImageIOFactory.h>

#include "files/dicom_checks.h"
#include "files/file_checks.h"
#include "files/luminance.h"
#include "files/nifti_reader.h"
#include "files/reader_child.h"
#include "files/volume_build.h"
#include "files/volume_complete.h"
#include "files/volume_file.h"
#include "files/volume_frame.h"
#include "files/volume_orientation.h"
#include "files/volume_raw.h"
#include "files/volume_regrid.h"
#include "files/voxel_dispatch.h"

namespace {

class QuietWindow : public itk::OutputWindow {
public:
  ITK_DISALLOW_COPY_AND_MOVE(QuietWindow);
  using Self = QuietWindow;
  using Pointer = itk::SmartPointer<Self>;
  itkNewMacro(Self);
  void DisplayText(const char*) override {}

protected:
  QuietWindow() = default;
  ~QuietWindow() override = default;
};

void RegisterImageIOs() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Failures reach the user as one line; the libraries' own messages
    // would only clutter the terminal (and the child's output is kept
    // from it anyway).
    itk::Object::GlobalWarningDisplayOff();
    itk::OutputWindow::SetInstance(QuietWindow::New());
    gdcm::Trace::SetWarning(false);
    gdcm::Trace::SetError(false);
    gdcm::Trace::SetDebug(false);
    // The formats users bring most, asked first.
    itk::NrrdImageIOFactory::RegisterOneFactory();
    itk::NiftiImageIOFactory::RegisterOneFactory();
    itk::MetaImageIOFactory::RegisterOneFactory();
    itk::VTKImageIOFactory::RegisterOneFactory();
    itk::TIFFImageIOFactory::RegisterOneFactory();
    itk::GDCMImageIOFactory::RegisterOneFactory();
    itk::MRCImageIOFactory::RegisterOneFactory();
    itk::GiplImageIOFactory::RegisterOneFactory();
    itk::MINCImageIOFactory::RegisterOneFactory();
    itk::HDF5ImageIOFactory::RegisterOneFactory();
    itk::LSMImageIOFactory::RegisterOneFactory();
    itk::BioRadImageIOFactory::RegisterOneFactory();
    itk::StimulateImageIOFactory::RegisterOneFactory();
    itk::PNGImageIOFactory::RegisterOneFactory();
    itk::JPEGImageIOFactory::RegisterOneFactory();
    itk::BMPImageIOFactory::RegisterOneFactory();
  });
}

// ITK's messages start with the class and its address and may carry the
// underlying library's trail on further lines, the last one being the cause.
std::string Reason(const itk::ExceptionObject& error) {
  std::string text = error.GetDescription();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  const size_t lastLine = text.rfind('\n');
  if (lastLine != std::string::npos) text = text.substr(lastLine + 1);
  // "ITK ERROR: NrrdImageIO(0x...): reason" or "[nrrd] function: reason"
  for (const char* prefix : {"): ", "] "}) {
    const size_t at = text.find(prefix);
    if (at != std::string::npos && at < 60) text = text.substr(at + std::strlen(prefix));
  }
  const size_t colon = text.find(": ");
  if (colon != std::string::npos && (text.compare(0, 1, "_") == 0 || text.compare(0, 11, "ITK ERROR: ") == 0)) {
    text = text.substr(colon + 2);
  }
  return text.empty() ? "cannot be read" : text;
}

std::optional<VoxelType> FromComponent(itk::IOComponentEnum component) {
  using C = itk::IOComponentEnum;
  switch (component) {
    case C::UCHAR: return VoxelType::UInt8;
    case C::CHAR: return VoxelType::Int8;
    case C::USHORT: return VoxelType::UInt16;
    case C::SHORT: return VoxelType::Int16;
    case C::UINT: return VoxelType::UInt32;
    case C::INT: return VoxelType::Int32;
    case C::FLOAT: return VoxelType::Float32;
    case C::DOUBLE: return VoxelType::Float64;
    default: return std::nullopt;
  }
}

std::string FormatName(const itk::ImageIOBase& io) {
  std::string name = io.GetNameOfClass();
  if (name == "NrrdImageIO") return "NRRD";
  if (name == "NiftiImageIO") return "NIfTI";
  if (name == "MetaImageIO") return "MetaImage";
  if (name == "VTKImageIO") return "VTK";
  if (name == "TIFFImageIO") return "TIFF";
  if (name == "GDCMImageIO") return "DICOM";
  const size_t suffix = name.rfind("ImageIO");
  return suffix == std::string::npos ? name : name.substr(0, suffix);
}

// Whether the format's origin and directions are the patient's (LPS); the
// others (TIFF, VTK, PNG, MRC, ...) only place voxels in a plain x/y/z.
bool PlacesInPatient(const itk::ImageIOBase& io) {
  const std::string name = io.GetNameOfClass();
  for (const char* anatomical : {"NrrdImageIO", "NiftiImageIO", "MetaImageIO", "GDCMImageIO", "MINCImageIO",
                                 "GiplImageIO", "HDF5ImageIO"}) {
    if (name == anatomical) return true;
  }
  return false;
}

// The format a file's first bytes announce, to name the reader should the
// search for one crash; "file" when they say nothing.
std::string SniffedFormat(const std::string& path) {
  char head[132] = {};
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "file";
  const size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  const std::string text(head, got);
  if (text.compare(0, 4, "NRRD") == 0) return "NRRD";
  if (got >= 132 && text.compare(128, 4, "DICM") == 0) return "DICOM";
  if (text.compare(0, 5, "# vtk") == 0) return "VTK";
  if (text.compare(0, 4, std::string("II*\0", 4)) == 0 || text.compare(0, 4, std::string("MM\0*", 4)) == 0) {
    return "TIFF";
  }
  if (text.find("NDims") != std::string::npos || text.compare(0, 10, "ObjectType") == 0) return "MetaImage";
  if (got >= 4 && (text.compare(4, 3, "n+2") == 0 || text.find("n+1") != std::string::npos)) return "NIfTI";
  return "file";
}

// A frame as read from the file, in the file's axis order.
struct FileVolume {
  VolumeInfo info;  // sizes and spacing still along the file's axes, mapping not yet chosen
  VoxelType storedType = VoxelType::UInt8;
  VoxelBuffer voxels;
  std::optional<RawSpan> span;  // set: the parent reads the voxels from here
  std::string seriesUid;        // set: a DICOM slice whose series may lie beside it
  std::optional<ValueSpan> fileRange;  // set: resampled, and the file's own values spanned this
};

// What crosses from the reading child to the parent besides the voxels.
struct FileFacts {
  VoxelType fileType, storedType;
  int64_t sizes[3];
  int frames;
  double spacing[3];
  double origin[3];
  DirectionMatrix direction;
  bool anatomical;
  bool span;
  bool spanBigEndian;
  uint64_t spanOffset;
};

std::string Serialize(const FileVolume& file) {
  FileFacts facts{file.info.fileType, file.storedType, {}, file.info.frames, {}, {}, file.info.direction,
                  file.info.anatomical, file.span.has_value(), file.span && file.span->bigEndian,
                  file.span ? file.span->offset : 0};
  for (int a = 0; a < 3; ++a) {
    facts.sizes[a] = file.info.sizes[a];
    facts.spacing[a] = file.info.spacing[a];
    facts.origin[a] = file.info.origin[a];
  }
  std::string bytes(reinterpret_cast<const char*>(&facts), sizeof facts);
  return bytes + file.info.format + '\0' + file.info.note + '\0' + file.seriesUid + '\0' +
         (file.span ? file.span->path : "");
}

FileVolume Deserialize(const std::string& bytes) {
  FileFacts facts{};
  std::memcpy(&facts, bytes.data(), std::min(bytes.size(), sizeof facts));
  FileVolume file;
  file.info.fileType = facts.fileType;
  file.storedType = facts.storedType;
  for (int a = 0; a < 3; ++a) {
    file.info.sizes[a] = facts.sizes[a];
    file.info.spacing[a] = facts.spacing[a];
    file.info.origin[a] = facts.origin[a];
  }
  file.info.frames = facts.frames;
  file.info.direction = facts.direction;
  file.info.anatomical = facts.anatomical;
  const std::string names = bytes.size() > sizeof facts ? bytes.substr(sizeof facts) : "";
  const size_t split = names.find('\0');
  file.info.format = names.substr(0, split);
  const size_t second = split == std::string::npos ? split : names.find('\0', split + 1);
  const size_t third = second == std::string::npos ? second : names.find('\0', second + 1);
  if (third != std::string::npos) {
    file.info.note = names.substr(split + 1, second - split - 1);
    file.seriesUid = names.substr(second + 1, third - second - 1);
    if (facts.span) file.span = RawSpan{names.substr(third + 1), facts.spanOffset, facts.spanBigEndian};
  }
  return file;
}

uint64_t FrameVoxels(const std::array<int64_t, 3>& sizes) {
  return static_cast<uint64_t>(sizes[0]) * static_cast<uint64_t>(sizes[1]) *
         static_cast<uint64_t>(sizes[2]);
}

FileVolume ReadDicomFiles(const std::vector<std::string>& files, const std::string& path, ReaderChannel& channel);

// The SeriesInstanceUID of a DICOM file, or "".
std::string SeriesUid(itk::GDCMImageIO& io) {
  std::string uid;
  if (!io.GetValueFromTag("0020|000e", uid)) return "";
  while (!uid.empty() && (uid.back() == ' ' || uid.back() == '\0')) uid.pop_back();
  return uid;
}

// All frames' colour voxels, then the requested frame's luminance for the parent.
FileVolume ReadColour(itk::ImageIOBase& io, const VolumeRequest& request, const std::string& path, VoxelType type,
                      unsigned components, FileVolume result, ReaderChannel& channel) {
  const unsigned dimensions = io.GetNumberOfDimensions();
  itk::ImageIORegion region(dimensions);
  for (unsigned a = 0; a < dimensions; ++a) {
    region.SetIndex(a, 0);
    region.SetSize(a, io.GetDimensions(a));
  }
  io.SetIORegion(region);
  const uint64_t frameVoxels = FrameVoxels(result.info.sizes);
  const uint64_t frameBytes = frameVoxels * components * VoxelTypeBytes(type);
  const uint64_t readBytes = frameBytes * static_cast<uint64_t>(result.info.frames);
  CheckMemory(path, readBytes + frameVoxels * sizeof(float));
  channel.UnlimitMemory();
  channel.Progress("Reading " + path);
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[readBytes]);
  io.Read(buffer.get());
  ColourToLuminance(buffer.get() + frameBytes * static_cast<uint64_t>(request.frame), type,
                    static_cast<int>(components), frameVoxels,
                    reinterpret_cast<float*>(channel.Voxels(frameVoxels * sizeof(float))));
  return result;
}

FileVolume ReadImageFile(const VolumeRequest& request, const std::string& path, ReaderChannel& channel) {
  const std::string& filePath = request.path;
  // What would crash a reader or make it allocate what the file cannot hold.
  CheckHeaderSane(path, filePath);
  if (const std::optional<NiftiHeader> header = ReadNiftiHeader(filePath); header && ReadsNiftiItself(*header)) {
    const NiftiVolume nifti = ReadNifti(path, filePath, *header, request.frame, channel);
    FileVolume result;
    result.info = nifti.info;
    result.storedType = nifti.storedType;
    return result;
  }
  std::string reader = SniffedFormat(filePath);
  channel.Reader(reader);
  // ITK reads a repaired copy of a DICOM file GDCM would abort on.
  const std::string readPath = reader == "DICOM" ? CheckDicomFile(path, filePath) : filePath;
  // Finding the format and reading the header need little memory: a reader
  // that asks for more was misled by a damaged file.
  struct stat status {};
  stat(filePath.c_str(), &status);
  channel.LimitMemory((uint64_t(256) << 20) + 4 * static_cast<uint64_t>(status.st_size));
  itk::ImageIOBase::Pointer io;
  try {
    io = itk::ImageIOFactory::CreateImageIO(readPath.c_str(), itk::IOFileModeEnum::ReadMode);
    if (!io) {
      // A damaged or cut gzip stream hides the format: say so instead.
      CheckGzipStream(path, filePath);
      throw VolumeFileError(path + ": not a volume file (unknown file format)");
    }
    reader = FormatName(*io);
    channel.Reader(reader);
    io->SetFileName(readPath);
    io->ReadImageInformation();
  } catch (const std::bad_alloc&) {
    throw VolumeFileError(path + ": the " + reader + " reader asked for far more memory than the file holds");
  } catch (const itk::MemoryAllocationError&) {
    throw VolumeFileError(path + ": the " + reader + " reader asked for far more memory than the file holds");
  }
  // Colour (RGB, RGBA) voxels are shown as their luminance.
  const unsigned components = io->GetNumberOfComponents();
  const bool colour = components == 3 || components == 4;
  if (components != 1 && !colour) {
    throw VolumeFileError(path + ": has " + std::to_string(components) +
                          " components per voxel; scalar and colour volumes can be shown");
  }
  const std::optional<VoxelType> type = FromComponent(io->GetComponentType());
  if (!type) {
    throw VolumeFileError(path + ": voxel type " +
                          itk::ImageIOBase::GetComponentTypeAsString(io->GetComponentType()) +
                          " is not supported");
  }
  const unsigned dimensions = io->GetNumberOfDimensions();
  if (dimensions < 2 || dimensions > 4) {
    throw VolumeFileError(path + ": has " + std::to_string(dimensions) +
                          " dimensions; 2, 3 or 4 can be shown");
  }
  std::string seriesUid;  // a slice that may have a series beside it
  if (auto* dicom = dynamic_cast<itk::GDCMImageIO*>(io.GetPointer());
      dicom != nullptr && !request.singleFile && (dimensions == 2 || io->GetDimensions(2) == 1)) {
    seriesUid = SeriesUid(*dicom);
  }
  FileVolume result;
  result.seriesUid = seriesUid;
  result.info.format = FormatName(*io);
  result.info.fileType = *type;
  result.info.anatomical = PlacesInPatient(*io);
  if (auto* dicom = dynamic_cast<itk::GDCMImageIO*>(io.GetPointer())) {
    // GDCM delivers values after slope and intercept in a wider type.
    result.info.fileType = FromComponent(dicom->GetInternalComponentType()).value_or(*type);
  }
  result.storedType = *type;
  const unsigned spatial = dimensions < 3 ? dimensions : 3;
  result.info.sizes = {1, 1, 1};
  for (unsigned a = 0; a < spatial; ++a) {
    result.info.sizes[a] = static_cast<int64_t>(io->GetDimensions(a));
    result.info.spacing[a] = io->GetSpacing(a);
    result.info.origin[a] = io->GetOrigin(a);
    const std::vector<double> column = io->GetDirection(a);
    for (unsigned p = 0; p < 3; ++p) result.info.direction[p][a] = p < column.size() ? column[p] : 0;
  }
  if (result.info.format == "MINC") {
    // MINC's world frame is RAS (as the format's tools and nibabel read it);
    // this ITK hands its coordinates on unchanged, as if they were LPS.
    for (int p = 0; p < 2; ++p) {
      result.info.origin[p] = -result.info.origin[p];
      for (double& component : result.info.direction[p]) component = -component;
    }
  }
  result.info.frames = dimensions == 4 ? static_cast<int>(io->GetDimensions(3)) : 1;
  if (request.frame < 0 || request.frame >= result.info.frames) {
    throw VolumeFileError(path + ": frame " + std::to_string(request.frame) + " does not exist (" +
                          std::to_string(result.info.frames) + " frames)");
  }

  const size_t width = VoxelTypeBytes(*type);
  if (colour) {
    result.storedType = VoxelType::Float32;
    result.info.note = "colour voxels shown as luminance (Rec. 709 weights)";
  }
  // A header may claim any size: refuse what cannot be allocated before
  // the products wrap around.
  uint64_t allBytes = width * components;
  for (unsigned a = 0; a < dimensions; ++a) {
    const uint64_t size = io->GetDimensions(a);
    if (size == 0) throw VolumeFileError(path + ": volume is empty");
    if (__builtin_mul_overflow(allBytes, size, &allBytes)) {
      throw VolumeFileError(path + ": volume is too large");
    }
  }
  channel.Progress("Checking " + path);
  CheckFileComplete(path, filePath, result.info.format, allBytes, allBytes / width);
  if (colour) return ReadColour(*io, request, path, *type, components, std::move(result), channel);
  const uint64_t frameVoxels = FrameVoxels(result.info.sizes);
  itk::ImageIORegion region(dimensions);
  for (unsigned a = 0; a < dimensions; ++a) {
    region.SetIndex(a, 0);
    region.SetSize(a, io->GetDimensions(a));
  }
  if (dimensions == 4) {
    io->SetUseStreamedReading(true);
    if (io->CanStreamRead()) {
      region.SetIndex(3, request.frame);
      region.SetSize(3, 1);
    }
  }
  io->SetIORegion(region);
  const uint64_t frameBytes = frameVoxels * width;
  // Without streaming, the IO reads every frame.
  const bool allFrames = dimensions == 4 && region.GetSize(3) != 1;
  const uint64_t readBytes = allFrames ? frameBytes * io->GetDimensions(3) : frameBytes;
  CheckMemory(path, allFrames ? readBytes + frameBytes : readBytes);
  channel.UnlimitMemory();
  char line[256];
  std::snprintf(line, sizeof line, "Reading %s (%.1f MB)", path.c_str(), readBytes / 1e6);
  channel.Progress(line);
  // Uncompressed data in one piece: the parent reads it directly, which
  // costs less than handing over shared pages.
  if (dimensions <= 3) {
    result.span = FindRawSpan(filePath, result.info.format, readBytes, width);
    if (result.span) return result;
  }
  if (allFrames) {
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[readBytes]);
    io->Read(buffer.get());
    std::memcpy(channel.Voxels(frameBytes), buffer.get() + frameBytes * request.frame, frameBytes);
  } else {
    io->Read(channel.Voxels(readBytes));
  }
  return result;
}

// Localizers share a series but lie in different planes: no volume to stack.
void CheckOnePlane(const std::vector<itk::MetaDataDictionary*>& slices, const std::string& path) {
  std::vector<std::array<double, 6>> planes;
  for (const itk::MetaDataDictionary* slice : slices) {
    std::string text;
    std::array<double, 6> plane{};
    if (!slice || !itk::ExposeMetaData<std::string>(*slice, "0020|0037", text) ||
        std::sscanf(text.c_str(), "%lf\\%lf\\%lf\\%lf\\%lf\\%lf", &plane[0], &plane[1], &plane[2], &plane[3],
                    &plane[4], &plane[5]) != 6) {
      continue;
    }
    // Cosines written with a few decimals differ in the last of them.
    constexpr double kSamePlane = 1e-3;
    const bool known = std::any_of(planes.begin(), planes.end(), [&](const std::array<double, 6>& other) {
      for (int i = 0; i < 6; ++i) {
        if (!(std::fabs(plane[i] - other[i]) <= kSamePlane)) return false;
      }
      return true;
    });
    if (!known) planes.push_back(plane);
  }
  if (planes.size() > 1) {
    throw VolumeFileError(path + ": its slices lie in " + std::to_string(planes.size()) +
                          " different planes (localizer images?)");
  }
}

template <class T>
FileVolume ReadSeriesAs(const std::vector<std::string>& files, VoxelType type, const std::string& path,
                        ReaderChannel& channel) {
  using Image = itk::Image<T, 3>;
  auto reader = itk::ImageSeriesReader<Image>::New();
  reader->SetImageIO(itk::GDCMImageIO::New());
  reader->SetFileNames(files);
  // The slices' own positions give the third axis, so a series acquired
  // with gantry tilt keeps its shear instead of being stood upright.
  reader->ForceOrthogonalDirectionOff();
  reader->Update();
  CheckOnePlane(*reader->GetMetaDataDictionaryArray(), path);
  typename Image::Pointer image = reader->GetOutput();
  FileVolume result;
  result.info.format = "DICOM series";
  result.info.fileType = type;
  result.info.anatomical = true;
  result.storedType = type;
  // A missing slice shows as a step twice the others; GDCM would close the
  // gap. Positions written with a few decimals vary far less than 10 %.
  double deviation = 0;
  if (files.size() > 1 &&
      itk::ExposeMetaData<double>(image->GetMetaDataDictionary(), "ITK_non_uniform_sampling_deviation", deviation) &&
      deviation > 0.1 * image->GetSpacing()[2]) {
    throw VolumeFileError(path + ": the slices are unevenly spaced (a slice missing?)");
  }
  const auto size = image->GetLargestPossibleRegion().GetSize();
  for (unsigned a = 0; a < 3; ++a) {
    result.info.sizes[a] = static_cast<int64_t>(size[a]);
    result.info.spacing[a] = image->GetSpacing()[a];
    result.info.origin[a] = image->GetOrigin()[a];
    for (unsigned p = 0; p < 3; ++p) result.info.direction[p][a] = image->GetDirection()[p][a];
  }
  const size_t bytes = FrameVoxels(result.info.sizes) * sizeof(T);
  std::memcpy(channel.Voxels(bytes), image->GetBufferPointer(), bytes);
  return result;
}

FileVolume ReadDicomFiles(const std::vector<std::string>& files, const std::string& path, ReaderChannel& channel);

// The series of a scanned folder in the order users know them by: their
// series numbers, then their UIDs.
struct SeriesEntry {
  std::string id;  // GDCM's: the SeriesInstanceUID, then the series details
  long number = 0;
  std::string line;  // "description, rows x columns x slices"
};

std::vector<SeriesEntry> FolderSeries(itk::GDCMSeriesFileNames& names) {
  std::vector<SeriesEntry> entries;
  for (const std::string& id : names.GetSeriesUIDs()) {
    const std::vector<std::string>& files = names.GetFileNames(id);
    if (files.empty()) continue;
    SeriesEntry entry;
    entry.id = id;
    auto io = itk::GDCMImageIO::New();
    io->SetFileName(files.front());
    std::string description = "no description";
    std::string size = "?";
    try {
      io->ReadImageInformation();
      std::string text;
      if (io->GetValueFromTag("0008|103e", text) && text.find_first_not_of(" \0") != std::string::npos) {
        description = EscapedName(text.substr(0, text.find_last_not_of(" \0") + 1));
      }
      if (io->GetValueFromTag("0020|0011", text)) entry.number = std::strtol(text.c_str(), nullptr, 10);
      const uint64_t slices = files.size() > 1 || io->GetNumberOfDimensions() < 3 ? files.size() : io->GetDimensions(2);
      size = std::to_string(io->GetDimensions(1)) + " x " + std::to_string(io->GetDimensions(0)) + " x " +
             std::to_string(slices);
    } catch (const itk::ExceptionObject&) {
      description = "unreadable";
    }
    entry.line = description + ", " + size;
    entries.push_back(std::move(entry));
  }
  std::stable_sort(entries.begin(), entries.end(), [](const SeriesEntry& a, const SeriesEntry& b) {
    return a.number != b.number ? a.number < b.number : a.id < b.id;
  });
  return entries;
}

// The series --series names: its number in the listing, or a prefix of its
// SeriesInstanceUID that only it has.
const SeriesEntry& ChosenSeries(const std::vector<SeriesEntry>& series, const std::string& chosen,
                                const std::string& path) {
  const std::string count = std::to_string(series.size());
  if (chosen.find_first_not_of("0123456789") == std::string::npos) {
    const unsigned long number = std::strtoul(chosen.c_str(), nullptr, 10);
    if (chosen.size() > 6 || number < 1 || number > series.size()) {
      throw VolumeFileError(path + ": no DICOM series " + chosen + " (the folder holds " + count + ")");
    }
    return series[number - 1];
  }
  const SeriesEntry* found = nullptr;
  for (const SeriesEntry& entry : series) {
    if (entry.id.compare(0, chosen.size(), chosen) != 0) continue;
    if (found != nullptr) throw VolumeFileError(path + ": more than one DICOM series has a UID starting " + EscapedName(chosen));
    found = &entry;
  }
  if (found == nullptr) throw VolumeFileError(path + ": no DICOM series has a UID starting " + EscapedName(chosen));
  return *found;
}

// Refusals list this many series; --info lists them all.
constexpr size_t kSeriesListed = 5;

FileVolume ReadDicomFolder(const VolumeRequest& request, const std::string& path, ReaderChannel& channel) {
  channel.Reader("DICOM");
  if (const std::optional<std::string> unreadable = UnreadableFileIn(request.path)) {
    throw VolumeFileError(path + ": " + *unreadable);
  }
  auto names = itk::GDCMSeriesFileNames::New();
  names->SetUseSeriesDetails(true);
  names->SetDirectory(request.path);
  const std::vector<SeriesEntry> series = FolderSeries(*names);
  if (series.empty()) throw VolumeFileError(path + ": folder holds no DICOM series");
  if (series.size() > 1 && request.series.empty()) {
    std::string line = path + ": folder holds " + std::to_string(series.size()) + " DICOM series: ";
    for (size_t i = 0; i < series.size() && i < kSeriesListed; ++i) {
      line += (i > 0 ? "; " : "") + std::to_string(i + 1) + ": " + series[i].line;
    }
    if (series.size() > kSeriesListed) {
      line += "; and " + std::to_string(series.size() - kSeriesListed) + " more (--info lists them)";
    }
    throw VolumeFileError(line + "; open one with --series N");
  }
  const SeriesEntry& chosen = request.series.empty() ? series.front() : ChosenSeries(series, request.series, path);
  if (request.frame != 0) {
    throw VolumeFileError(path + ": frame " + std::to_string(request.frame) +
                          " does not exist (1 frame)");
  }
  return ReadDicomFiles(names->GetFileNames(chosen.id), path, channel);
}

// The files of one series, sorted by GDCM along the slice normal.
FileVolume ReadDicomFiles(const std::vector<std::string>& files, const std::string& path, ReaderChannel& channel) {
  // A slice that cannot be read would leave a gap GDCM closes silently, one
  // cut short a part of a slice GDCM fills with zeros.
  for (const std::string& file : files) {
    const std::string slice = path + ": slice " + EscapedName(file);
    CheckReadable(slice, file, false);
    CheckDicomFile(slice, file);
  }
  auto io = itk::GDCMImageIO::New();
  io->SetFileName(files.front());
  io->ReadImageInformation();
  if (io->GetNumberOfComponents() != 1) {
    throw VolumeFileError(path + ": DICOM series is not scalar");
  }
  const std::optional<VoxelType> type = FromComponent(io->GetComponentType());
  if (!type) throw VolumeFileError(path + ": DICOM voxel type is not supported");
  uint64_t bytes = VoxelTypeBytes(*type) * files.size();
  for (unsigned a = 0; a < 2; ++a) bytes *= io->GetDimensions(a);
  CheckMemory(path, bytes * 2);  // ITK's image, then the shared copy
  channel.Progress("Reading " + path + " (" + std::to_string(files.size()) + " DICOM files)");
  FileVolume volume = DispatchVoxelType(*type, [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    return ReadSeriesAs<T>(files, *type, path, channel);
  });
  // GDCM delivers values after slope and intercept in a wider type; the
  // file's own type is the one before.
  volume.info.fileType = FromComponent(io->GetInternalComponentType()).value_or(*type);
  return volume;
}

// An oblique or sheared grid, resampled once onto one along the patient's
// axes; false for a grid left in its own axes: along the patient's already
// (within 1° and 0.01), or oblique but a single slice or a slab so thin
// that its turned box would be mostly empty.
bool ToPatientGrid(FileVolume& file, const std::string& name, const VolumeProgress& progress) {
  const VoxelGrid from{file.info.sizes, file.info.spacing, file.info.origin, file.info.direction};
  const std::optional<PatientGridPlan> plan = PlanPatientGrid(from);
  if (!plan) throw VolumeFileError(name + ": the voxel axes are collinear or zero");
  const bool sheared = !(OrthonormalDeviation(file.info.direction) <= kOrthonormalTolerance);
  if (!sheared && plan->turnDegrees <= kLeastObliqueDegrees) return false;
  char what[160];
  if (!sheared) {
    std::snprintf(what, sizeof what, "axes turned %.1f\u00b0 from the patient's", plan->turnDegrees);
  } else if (plan->turnDegrees > kLeastObliqueDegrees) {
    std::snprintf(what, sizeof what,
                  "voxel axes sheared %.1f\u00b0 (gantry tilt or a sheared frame) and turned %.1f\u00b0 from the "
                  "patient's", plan->shearDegrees, plan->turnDegrees);
  } else {
    std::snprintf(what, sizeof what, "voxel axes sheared %.1f\u00b0 (gantry tilt or a sheared frame)",
                  plan->shearDegrees);
  }
  const VoxelGrid& to = plan->grid;
  const uint64_t before = FrameVoxels(from.sizes), after = FrameVoxels(to.sizes);
  // A shear near 90° or a thin turned slab would spread over a box far larger than the scan.
  constexpr uint64_t kMostGrowth = 16;
  const bool flat = std::find(from.sizes.begin(), from.sizes.end(), 1) != from.sizes.end();
  if (!sheared && (flat || after > kMostGrowth * before)) {
    const std::string text = std::string(what) + "; shown in its own axes (" +
                             (flat ? std::string("a single slice") :
                                     "its patient-aligned box would take " + std::to_string(after / before) +
                                         "x the voxels") + ")";
    file.info.note = file.info.note.empty() ? text : file.info.note + "; " + text;
    return false;
  }
  if (after > kMostGrowth * before) {
    throw VolumeFileError(name + ": " + what + "; resampling would take " + std::to_string(after / before) +
                          "x the voxels");
  }
  if (progress) progress("Resampling " + name + " onto the patient's axes");
  const ValueSpan range = FiniteRange(file.storedType, file.voxels.get(), before);
  file.voxels = ResampleGrid(from, to, file.storedType, file.voxels.get(), range.low);
  const AxisMapping shown = MapToCanonical(to.direction);
  char text[400];
  std::snprintf(text, sizeof text, "%s: resampled once onto the patient's axes, %.3g x %.3g x %.3g mm in L/P/S order",
                what, to.spacing[shown.fileAxis[0]], to.spacing[shown.fileAxis[1]], to.spacing[shown.fileAxis[2]]);
  file.info.note = file.info.note.empty() ? text : file.info.note + "; " + text;
  file.info.resampledFrom = from;
  file.info.sizes = to.sizes;
  file.info.origin = to.origin;
  file.info.direction = to.direction;
  file.info.spacing = to.spacing;
  file.fileRange = range;
  return true;
}

// Direction cosines a rounding away from orthonormal give way to the
// nearest orthonormal frame.
void SnapToOrthonormal(FileVolume& file, const std::string& name) {
  const double deviation = OrthonormalDeviation(file.info.direction);
  if (!(deviation > kOrthonormalExact)) return;
  const std::optional<DirectionMatrix> frame = NearestOrthonormal(file.info.direction);
  char text[200];
  if (!frame) {
    std::snprintf(text, sizeof text, ": direction cosines are not orthonormal (off by %.3g; up to %g is corrected)",
                  deviation, kOrthonormalTolerance);
    throw VolumeFileError(name + text);
  }
  file.info.direction = *frame;
  std::snprintf(text, sizeof text, "direction cosines off orthonormal by %.2g: the nearest orthonormal frame is used",
                deviation);
  file.info.note = file.info.note.empty() ? text : file.info.note + "; " + text;
}

Volume ToCanonical(FileVolume file, const std::string& name, const VolumeProgress& progress) {
  // The file's own orientation, before any resampling straightens it.
  const std::string orientation = OrientationCode(file.info.direction);
  if (!(file.info.anatomical && ToPatientGrid(file, name, progress))) SnapToOrthonormal(file, name);
  const AxisMapping mapping = MapToCanonical(file.info.direction);
  VolumeInfo info = file.info;
  info.orientation = orientation;
  info.mapping = mapping;
  for (int c = 0; c < 3; ++c) {
    info.sizes[c] = file.info.sizes[mapping.fileAxis[c]];
    const double spacing = file.info.spacing[mapping.fileAxis[c]];
    // A broken header must not collapse or blow up the proportions.
    info.spacing[c] = spacing > 0 && std::isfinite(spacing) ? spacing : 1.0;
  }
  VoxelBuffer voxels = std::move(file.voxels);
  if (!mapping.IsIdentity()) {
    if (progress) progress("Turning " + info.format + " axes " + info.orientation + " to LPS");
    const size_t width = VoxelTypeBytes(file.storedType);
    std::unique_ptr<uint8_t[]> reordered(new uint8_t[FrameVoxels(info.sizes) * width]);
    ReorderVoxels(voxels.get(), file.info.sizes, width, mapping, reordered.get());
    voxels = std::move(reordered);
  }
  if (progress) progress("Finding the value range");
  Volume volume = FinishVolume(std::move(info), file.storedType, std::move(voxels));
  // Interpolation may miss the extremes: the range stays the file's.
  if (file.fileRange) volume.SetValueRange(file.fileRange->low, file.fileRange->high);
  return volume;
}

// Runs in the reading child: everything that touches ITK.
void ReadInChild(const VolumeRequest& request, const std::string& name, bool folder, ReaderChannel& channel) {
  RegisterImageIOs();
  try {
    FileVolume file = folder ? ReadDicomFolder(request, name, channel) : ReadImageFile(request, name, channel);
    channel.Result(Serialize(file));
  } catch (const itk::ExceptionObject& error) {
    // The line names the file already.
    std::string reason = Reason(error);
    for (size_t at; (at = reason.find(request.path + " ")) != std::string::npos;) {
      reason.replace(at, request.path.size() + 1, "");
    }
    throw VolumeFileError(name + ": " + reason);
  }
}

// The files of the series `uid` in the folder of `path` that `path` belongs
// to, sorted; series details (series number, rows, columns, orientation...)
// keep files that only share the UID, such as a dose grid beside its CT,
// apart. GDCM's scan of the folder runs in a process of its own: a damaged
// neighbour that crashes it leaves the file to be shown alone.
std::vector<std::string> SeriesFiles(const std::string& path, const std::string& uid, const std::string& name) {
  const size_t slash = path.rfind('/');
  std::string list;
  try {
    list = RunReaderInChild(
               name,
               [&](ReaderChannel& scan) {
                 auto names = itk::GDCMSeriesFileNames::New();
                 names->SetUseSeriesDetails(true);
                 names->SetDirectory(slash == std::string::npos ? "." : path.substr(0, slash + 1));
                 std::string found;
                 std::error_code error;
                 for (const std::string& id : names->GetSeriesUIDs()) {
                   if (id.compare(0, uid.size(), uid) != 0) continue;
                   const std::vector<std::string> candidates = names->GetFileNames(id);
                   for (const std::string& candidate : candidates) {
                     if (!std::filesystem::equivalent(candidate, path, error)) continue;
                     for (const std::string& file : candidates) found += file + '\0';
                   }
                 }
                 scan.Result(found);
               },
               {})
               .result;
  } catch (const VolumeFileError&) {
    return {};
  }
  std::vector<std::string> files;
  for (size_t at = 0, end; (end = list.find('\0', at)) != std::string::npos; at = end + 1) {
    files.push_back(list.substr(at, end - at));
  }
  return files;
}

// Ends a refusal of the series a file was opened for.
constexpr const char* kAlone = "; --single-file opens this file alone";

Volume ReadWithItk(const VolumeRequest& request, const std::string& name, bool folder,
                   const VolumeProgress& progress) {
  ReaderOutcome outcome = RunReaderInChild(
      name, [&](ReaderChannel& channel) { ReadInChild(request, name, folder, channel); }, progress);
  FileVolume file = Deserialize(outcome.result);
  // One slice of a DICOM series opens the series: the files of its folder
  // with the same SeriesInstanceUID. Each step in a child of this process,
  // never a child of a reader, whose threads could hold locks across fork.
  if (!file.seriesUid.empty()) {
    const size_t slash = request.path.rfind('/');
    if (const std::optional<std::string> unreadable =
            UnreadableFileIn(slash == std::string::npos ? "." : request.path.substr(0, slash + 1))) {
      throw VolumeFileError(name + ": its series may be incomplete: " + *unreadable + kAlone);
    }
    const std::vector<std::string> files = SeriesFiles(request.path, file.seriesUid, name);
    if (files.size() >= 2) {
      if (request.frame != 0) {
        throw VolumeFileError(name + ": frame " + std::to_string(request.frame) + " does not exist (1 frame)");
      }
      try {
        outcome = RunReaderInChild(
            name,
            [&](ReaderChannel& channel) {
              RegisterImageIOs();
              try {
                channel.Result(Serialize(ReadDicomFiles(files, name, channel)));
              } catch (const itk::ExceptionObject& error) {
                throw VolumeFileError(name + ": " + Reason(error));
              }
            },
            progress);
      } catch (const VolumeFileError& error) {
        throw VolumeFileError(error.what() + std::string(kAlone));
      }
      const std::string uid = file.seriesUid;
      file = Deserialize(outcome.result);
      file.info.note = "one of the " + std::to_string(files.size()) + " files of DICOM series " + uid +
                       ", all shown (--single-file: this file alone)";
    }
  }
  const size_t width = VoxelTypeBytes(file.storedType);
  const uint64_t frameBytes = FrameVoxels(file.info.sizes) * width;
  if (file.span) {
    if (progress) progress("Reading " + name);
    file.voxels = ReadVoxelSpan(name, file.span->path, file.span->offset, frameBytes, width, file.span->bigEndian);
  } else if (outcome.voxelBytes == frameBytes) {
    file.voxels = std::move(outcome.voxels);
  } else {
    throw VolumeFileError(name + ": the reader gave no voxels");
  }
  try {
    return ToCanonical(std::move(file), name, progress);
  } catch (const std::bad_alloc&) {
    throw VolumeFileError(name + ": not enough memory");
  }
}

Volume OpenChecked(const VolumeRequest& request, const std::string& name, const VolumeProgress& progress) {
  const std::string& path = request.path;
  // The kind of file first: a FIFO or a device must never be opened.
  CheckReadable(name, path, !request.raw);
  struct stat status {};
  stat(path.c_str(), &status);
  Volume volume = [&]() -> Volume {
    if (request.raw) {
      if (request.frame != 0) {
        throw VolumeFileError(name + ": frame " + std::to_string(request.frame) +
                              " does not exist (1 frame)");
      }
      if (progress) progress("Reading " + name);
      return ReadRawVolume(path, *request.raw);
    }
    return ReadWithItk(request, name, S_ISDIR(status.st_mode), progress);
  }();
  if (request.spacing) volume.SetSpacing(*request.spacing);
  for (double s : volume.info().spacing) {
    if (!(s >= kLeastSpacing && s <= kGreatestSpacing)) {
      char line[160];
      std::snprintf(line, sizeof line, ": a spacing of %g mm, outside %g to %g mm", s, kLeastSpacing,
                    kGreatestSpacing);
      throw VolumeFileError(name + line);
    }
  }
  return volume;
}

}  // namespace

std::vector<std::string> ListDicomSeries(const std::string& folder) {
  const std::string name = EscapedName(folder);
  // GDCM's scan in a child, as every read: a damaged file cannot take the viewer down.
  const std::string list = RunReaderInChild(
                               name,
                               [&](ReaderChannel& scan) {
                                 auto names = itk::GDCMSeriesFileNames::New();
                                 names->SetUseSeriesDetails(true);
                                 names->SetDirectory(folder);
                                 std::string lines;
                                 size_t number = 0;
                                 for (const SeriesEntry& entry : FolderSeries(*names)) {
                                   lines += std::to_string(++number) + ": " + entry.line + '\n';
                                 }
                                 scan.Result(lines);
                               },
                               {})
                               .result;
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = list.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(list.substr(at, end - at));
  }
  return lines;
}

Volume OpenVolume(const VolumeRequest& request, const VolumeProgress& progress) {
  const std::string name = EscapedName(request.path);
  try {
    return OpenChecked(request, name, progress);
  } catch (const VolumeFileError& error) {
    // Whatever a library added must not break the line.
    throw VolumeFileError(EscapedName(error.what()));
  } catch (const std::bad_alloc&) {
    throw VolumeFileError(name + ": not enough memory");
  }
}
