// Writes the sample volumes users and tests open, all made from the head
// phantom, with a nose and ears, turned into a CT-like int16 volume (air near -1000, bone near
// +1000, a little noise) of 128 x 128 x 64 voxels of 1.5 x 1.5 x 3 mm:
//
//   ct.nrrd          axes as stored (LPS)
//   ct.nii.gz        stored RAS, compressed
//   ct.mha           stored with permuted axes (PIL)
//   ct.vtk           legacy VTK, binary
//   ct.tif           TIFF stack; TIFF keeps no slice spacing: --spacing 1.5,1.5,3
//   ct_dicom/        one DICOM file per axial slice, stored with intercept -1024
//   ct_be.raw        headerless, 16-bit big-endian, canonical order
//   ct4d.nii.gz      4 frames of 64 x 64 x 32, a bright ball moving across
//   mr.nii.gz        an MR-like T1 of the same head, 128 x 128 x 64 of 2 x 2 x 3 mm,
//                    stored as coronal slices (PIL), noisy
//
//   volview-samples DIR
//   volview-samples --mr-cube N FILE   an N^3 MR-like volume of 1 mm voxels, for benchmarks
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <itkGDCMImageIO.h>
#include <itkImage.h>
#include <itkImageFileWriter.h>
#include <itkImageSeriesWriter.h>
#include <itkMetaDataObject.h>
#include <itkMetaImageIO.h>
#include <itkNiftiImageIO.h>
#include <itkNrrdImageIO.h>
#include <itkTIFFImageIO.h>
#include <itkVTKImageIO.h>

#include "files/volume_orientation.h"
#include "tools/datagen/head_phantom.h"
#include "tools/samples/face.h"
#include "tools/samples/mr_volume.h"

namespace {

constexpr int kPhantomSize = 128;
constexpr int64_t kSizeX = 128, kSizeY = 128, kSizeZ = 64;
constexpr double kSpacing[3] = {1.5, 1.5, 3.0};

using Image3 = itk::Image<int16_t, 3>;

// Small deterministic noise in [-8, 8].
int Noise(uint64_t index) {
  uint64_t h = index * 0x9E3779B97F4A7C15ull;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return static_cast<int>(h % 17) - 8;
}

int BaseHounsfield(uint8_t density) { return density == 0 ? -1000 : density * 8 - 40; }

// Every second slice of the phantom: the head keeps its proportions only
// when the 3 mm slice spacing is honoured. The phantom is made at twice the
// resolution and each voxel is the mean of its eight, so surfaces get the
// partial volumes of a real scan, not the terraces of a voxelised ellipsoid.
std::vector<int16_t> BuildCt() {
  constexpr int kFine = 2 * kPhantomSize;
  std::vector<uint8_t> phantom = BuildHeadPhantom(kFine);
  AddFace(phantom, kFine);
  const size_t fineRow = kFine, finePlane = fineRow * kFine;
  std::vector<int16_t> ct(static_cast<size_t>(kSizeX * kSizeY * kSizeZ));
  size_t out = 0;
  for (int64_t z = 0; z < kSizeZ; ++z) {
    for (int64_t y = 0; y < kSizeY; ++y) {
      for (int64_t x = 0; x < kSizeX; ++x, ++out) {
        int sum = 0;
        for (size_t k = 0; k < 8; ++k) {
          const size_t fx = 2 * x + (k & 1), fy = 2 * y + ((k >> 1) & 1), fz = 4 * z + (k >> 2);
          sum += BaseHounsfield(phantom[fz * finePlane + fy * fineRow + fx]);
        }
        ct[out] = static_cast<int16_t>(std::lround(sum / 8.0) + Noise(out));
      }
    }
  }
  return ct;
}

// The canonical volume as an image whose index axes follow `mapping`,
// with the direction and origin that put every voxel back in its place.
Image3::Pointer Oriented(const std::vector<int16_t>& ct, const AxisMapping& mapping,
                         const int64_t (&canonicalSizes)[3] = {kSizeX, kSizeY, kSizeZ},
                         const double (&voxelSpacing)[3] = kSpacing) {
  Image3::SizeType size;
  Image3::SpacingType spacing;
  Image3::DirectionType direction;
  Image3::PointType origin;
  direction.Fill(0);
  for (int c = 0; c < 3; ++c) {
    const int a = mapping.fileAxis[c];
    size[a] = static_cast<size_t>(canonicalSizes[c]);
    spacing[a] = voxelSpacing[c];
    direction[c][a] = mapping.flip[c] ? -1 : 1;
    origin[c] = mapping.flip[c] ? (canonicalSizes[c] - 1) * voxelSpacing[c] : 0.0;
  }
  auto image = Image3::New();
  image->SetRegions(Image3::RegionType(size));
  image->SetSpacing(spacing);
  image->SetDirection(direction);
  image->SetOrigin(origin);
  image->Allocate();
  int16_t* out = image->GetBufferPointer();
  int64_t f[3];
  for (f[2] = 0; f[2] < static_cast<int64_t>(size[2]); ++f[2]) {
    for (f[1] = 0; f[1] < static_cast<int64_t>(size[1]); ++f[1]) {
      for (f[0] = 0; f[0] < static_cast<int64_t>(size[0]); ++f[0]) {
        int64_t c[3];
        for (int k = 0; k < 3; ++k) {
          const int64_t i = f[mapping.fileAxis[k]];
          c[k] = mapping.flip[k] ? canonicalSizes[k] - 1 - i : i;
        }
        *out++ = ct[static_cast<size_t>((c[2] * canonicalSizes[1] + c[1]) * canonicalSizes[0] + c[0])];
      }
    }
  }
  return image;
}

template <class ImageType>
void Write(const typename ImageType::Pointer& image, const std::string& path,
           itk::ImageIOBase* io, bool compress) {
  auto writer = itk::ImageFileWriter<ImageType>::New();
  writer->SetImageIO(io);
  writer->SetInput(image);
  writer->SetFileName(path);
  writer->SetUseCompression(compress);
  writer->Update();
}

void WriteDicomSeries(const Image3::Pointer& image, const std::string& folder) {
  if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
    throw std::runtime_error(folder + ": " + std::strerror(errno));
  }
  auto io = itk::GDCMImageIO::New();
  io->KeepOriginalUIDOn();
  using Writer = itk::ImageSeriesWriter<Image3, itk::Image<int16_t, 2>>;
  auto writer = Writer::New();
  Writer::DictionaryArrayType dictionaries;
  std::vector<std::unique_ptr<itk::MetaDataDictionary>> owned;
  std::vector<std::string> names;
  const std::string study = "1.2.826.0.1.3680043.2.1125.1.1";
  const std::string series = study + ".2";
  for (int64_t z = 0; z < kSizeZ; ++z) {
    owned.push_back(std::make_unique<itk::MetaDataDictionary>());
    itk::MetaDataDictionary& d = *owned.back();
    auto set = [&d](const char* tag, const std::string& value) {
      itk::EncapsulateMetaData<std::string>(d, tag, value);
    };
    char position[64];
    std::snprintf(position, sizeof position, "0\\0\\%g", z * kSpacing[2]);
    set("0008|0060", "CT");
    set("0028|0004", "MONOCHROME2");
    set("0010|0010", "Phantom^Head");
    set("0020|000d", study);
    set("0020|000e", series);
    set("0008|0018", series + "." + std::to_string(z + 1));
    set("0020|0013", std::to_string(z + 1));
    set("0020|0032", position);
    set("0020|0037", "1\\0\\0\\0\\1\\0");
    set("0018|0050", "3");
    set("0028|1052", "-1024");
    set("0028|1053", "1");
    dictionaries.push_back(&d);
    char name[64];
    std::snprintf(name, sizeof name, "/slice_%03d.dcm", static_cast<int>(z));
    names.push_back(folder + name);
  }
  writer->SetInput(image);
  writer->SetImageIO(io);
  writer->SetFileNames(names);
  writer->SetMetaDataDictionaryArray(&dictionaries);
  writer->Update();
}

void WriteBigEndianRaw(const std::vector<int16_t>& ct, const std::string& path) {
  std::vector<uint8_t> bytes;
  bytes.reserve(ct.size() * 2);
  for (int16_t v : ct) {
    const uint16_t u = static_cast<uint16_t>(v);
    bytes.push_back(static_cast<uint8_t>(u >> 8));
    bytes.push_back(static_cast<uint8_t>(u & 0xff));
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fclose(file) != 0) {
    throw std::runtime_error(path + ": cannot write");
  }
}

// Frames of a smaller volume, each with a bright ball further to the left.
void WriteFourDimensional(const std::vector<int16_t>& ct, const std::string& path) {
  using Image4 = itk::Image<int16_t, 4>;
  constexpr int64_t nx = kSizeX / 2, ny = kSizeY / 2, nz = kSizeZ / 2, frames = 4;
  Image4::SizeType size = {{nx, ny, nz, frames}};
  auto image = Image4::New();
  image->SetRegions(Image4::RegionType(size));
  Image4::SpacingType spacing;
  for (int a = 0; a < 3; ++a) spacing[a] = 2 * kSpacing[a];
  spacing[3] = 1;
  image->SetSpacing(spacing);
  image->Allocate();
  int16_t* out = image->GetBufferPointer();
  for (int64_t t = 0; t < frames; ++t) {
    const double ballX = nx * (0.25 + 0.15 * t);
    for (int64_t z = 0; z < nz; ++z) {
      for (int64_t y = 0; y < ny; ++y) {
        for (int64_t x = 0; x < nx; ++x) {
          const double dx = x - ballX, dy = y - ny / 2.0, dz = z - nz / 2.0;
          const bool ball = dx * dx + dy * dy + dz * dz < 36;
          *out++ = ball ? int16_t{1500}
                        : ct[static_cast<size_t>(((2 * z) * kSizeY + 2 * y) * kSizeX + 2 * x)];
        }
      }
    }
  }
  Write<Image4>(image, path, itk::NiftiImageIO::New(), true);
}

// File axes run P, I, L: canonical x is file axis 2, y axis 0, z axis 1 reversed.
AxisMapping CoronalStorage() {
  AxisMapping pil;
  pil.fileAxis = {2, 0, 1};
  pil.flip = {false, false, true};
  return pil;
}

int WriteMrCube(int side, const std::string& path) {
  const int64_t sizes[3] = {side, side, side};
  const double spacing[3] = {1.0, 1.0, 1.0};
  Write<Image3>(Oriented(BuildMrVolume(side, 1), AxisMapping(), sizes, spacing), path,
                itk::NiftiImageIO::New(), true);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--mr-cube" && std::atoi(argv[2]) >= 8) {
    try {
      return WriteMrCube(std::atoi(argv[2]), argv[3]);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "volview-samples: %s\n", error.what());
      return 1;
    }
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: volview-samples DIR | --mr-cube N FILE\n");
    return 2;
  }
  const std::string dir = argv[1];
  try {
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
      throw std::runtime_error(dir + ": " + std::strerror(errno));
    }
    const std::vector<int16_t> ct = BuildCt();
    const AxisMapping lps;
    AxisMapping ras;
    ras.flip = {true, true, false};
    const AxisMapping pil = CoronalStorage();
    Write<Image3>(Oriented(ct, lps), dir + "/ct.nrrd", itk::NrrdImageIO::New(), false);
    Write<Image3>(Oriented(ct, ras), dir + "/ct.nii.gz", itk::NiftiImageIO::New(), true);
    Write<Image3>(Oriented(ct, pil), dir + "/ct.mha", itk::MetaImageIO::New(), false);
    Write<Image3>(Oriented(ct, lps), dir + "/ct.vtk", itk::VTKImageIO::New(), false);
    Write<Image3>(Oriented(ct, lps), dir + "/ct.tif", itk::TIFFImageIO::New(), false);
    WriteDicomSeries(Oriented(ct, lps), dir + "/ct_dicom");
    WriteBigEndianRaw(ct, dir + "/ct_be.raw");
    WriteFourDimensional(ct, dir + "/ct4d.nii.gz");
    const int64_t mrSizes[3] = {kSizeX, kSizeY, kSizeZ};
    const double mrSpacing[3] = {2.0, 2.0, 3.0};
    Write<Image3>(Oriented(BuildMrVolume(kPhantomSize, 2), pil, mrSizes, mrSpacing),
                  dir + "/mr.nii.gz", itk::NiftiImageIO::New(), true);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "volview-samples: %s\n", error.what());
    return 1;
  }
  return 0;
}
