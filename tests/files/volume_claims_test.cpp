// A header's claim against what its file can hold, per format, before any
// voxel is allocated: exact files pass, one byte or value short is refused,
// data files must be regular and not the header; DICOM is not measured by
// rules written for other formats. Also free memory and escaped names.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "files/file_checks.h"
#include "files/volume_complete.h"
#include "files/volume_file.h"
#include "temp_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text, size_t zeros = 0) {
  Bytes bytes(text.begin(), text.end());
  bytes.resize(bytes.size() + zeros);
  return bytes;
}

// The message of the VolumeFileError `check` throws, "" if none.
template <class Check>
std::string Refused(Check check) {
  try {
    check();
  } catch (const VolumeFileError& error) {
    return error.what();
  }
  return "";
}

template <class T>
void Put(Bytes& bytes, size_t at, std::initializer_list<T> values) {
  std::memcpy(&bytes[at], values.begin(), values.size() * sizeof(T));
}

// A uint8 NIfTI header of size³ voxels followed by `data` bytes.
Bytes Nifti(const char* magic, int16_t size, float offset, size_t data = 68) {
  Bytes h(348 + data);
  Put<int32_t>(h, 0, {348});
  Put<int16_t>(h, 40, {3, size, size, size, 1, 1, 1, 1});
  Put<int16_t>(h, 70, {2, 8});
  Put<float>(h, 76, {1, 1, 1, 1, 1, 1, 1, 1, offset});
  Put<int16_t>(h, 254, {1});
  Put<float>(h, 280, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0});
  std::memcpy(&h[344], magic, 4);
  return h;
}

}  // namespace

TEST(Claims, EachFormatAgainstItsFileOrDataFile) {
  const std::string nrrd = "NRRD0004\ntype: uint8\ndimension: 3\nsizes: 4 4 4\nencoding: ";
  const std::string meta = "ObjectType = Image\nNDims = 3\nDimSize = 4 4 4\nElementType = MET_UCHAR\n";
  const std::string vtk = "# vtk DataFile Version 3.0\nv\n";
  const std::string points = "\nDATASET STRUCTURED_POINTS\nDIMENSIONS 4 4 4\nPOINT_DATA 64\n"
                             "SCALARS v unsigned_char 1\nLOOKUP_TABLE default\n";
  WriteTempFile("c_data.raw", Bytes(64));
  const std::string gz = testing::TempDir() + "c.raw.gz";
  gzFile out = gzopen(gz.c_str(), "wb");
  gzwrite(out, Bytes(64).data(), 64);
  gzclose(out);
  WriteTempFile("p.img", Bytes(64));
  WriteTempFile("q.img", Bytes(63));
  Bytes packed = Text(meta + "CompressedData = True\nElementDataFile = LOCAL\n", 128);
  uLongf deflated = 128;
  compress(&packed[packed.size() - 128], &deflated, Bytes(64).data(), 64);
  packed.resize(packed.size() - 128 + deflated);
  // A claim of `fits` must pass (unless 0), one more must be refused with `over` in the message
  // (unless ""). NIfTI sizes come from the header: 4³ fits the 64 bytes after it, 5³ does not.
  const struct Case { const char* file; Bytes bytes; const char* format; uint64_t fits; std::string over; } cases[] = {
      {"c.nrrd", Text(nrrd + "raw\n\n", 64), "NRRD", 64, "f: file is cut short"},
      {"c.nhdr", Text(nrrd + "raw\ndata file: c_data.raw\n"), "NRRD", 64, "cut short (data file "},
      {"m.nhdr", Text(nrrd + "raw\ndata file: nowhere.raw\n"), "NRRD", 0, "No such file"},
      {"g.nhdr", Text(nrrd + "gzip\ndata file: c.raw.gz\n"), "NRRD", 64, "cut short"},
      {"a.nrrd", Text(nrrd + "ascii\n\n1 2 3\n4,5\n"), "NRRD", 5, "f: file is cut short"},
      {"l.mha", Text(meta + "ElementDataFile = LOCAL\n", 64), "MetaImage", 64, "f: file is cut short"},
      {"d.mhd", Text(meta + "ElementDataFile = c_data.raw\n"), "MetaImage", 64, "cut short"},
      {"z.mha", packed, "MetaImage", 64, "cut short"},
      {"list.mhd", Text(meta + "ElementDataFile = LIST\nc_data.raw\ngone.raw\n"), "MetaImage", 0, "gone.raw: No such"},
      {"b.vtk", Text(vtk + "BINARY" + points, 64), "VTK", 64, "f: file is cut short"},
      {"a.vtk", Text(vtk + "ASCII" + points + "1 2 3\n"), "VTK", 3, "f: file is cut short"},
      {"n.nii", Nifti("n+1", 4, 352), "NIfTI", 64, ""},
      {"nb.nii", Nifti("n+1", 5, 352), "NIfTI", 0, "f: file is cut short"},
      {"p.hdr", Nifti("ni1", 4, 0, 0), "NIfTI", 64, ""},
      {"q.hdr", Nifti("ni1", 4, 0, 0), "NIfTI", 0, "cut short (data file "},
      // A DICOM file that happens to hold "n+1" is not measured as NIfTI, nor is an unknown format.
      {"x.dcm", Nifti("n+1", 100, 352, 10), "DICOM", 1 << 30, ""},
      {"x.mrc", Nifti("n+1", 100, 352, 10), "MRC", 1 << 30, ""},
  };
  for (const auto& c : cases) {
    const std::string path = WriteTempFile(c.file, c.bytes);
    const auto refusal = [&](uint64_t claim) {
      return Refused([&] { CheckFileComplete("f", path, c.format, claim, claim); });
    };
    EXPECT_EQ(c.fits ? refusal(c.fits) : "", "") << c.file;
    EXPECT_NE(refusal(c.fits + 1).find(c.over), std::string::npos) << c.file;  // "" is found in any message
  }
  // The stream's last byte missing: it ends early, whatever was inflated so far.
  std::ifstream in(gz, std::ios::binary);
  Bytes cut((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  cut.pop_back();
  EXPECT_EQ(Refused([&] { InflatedBytes("f", WriteTempFile("cut.gz", cut), 0, 64); }),
            "f: file is cut short (compressed data ends early)");
}

TEST(FileChecks, MemoryNamesAndFileKinds) {
  EXPECT_EQ(Refused([] { CheckMemory("f", 9'000'000'000ull, 2'500'000'000ull); }),
            "f: too large for memory: needs 9.0 GB, 2.5 GB free");
  EXPECT_EQ(Refused([] { CheckMemory("f", 100, 100); }), "");
  EXPECT_GT(MemoryAvailable(), 0u);
  EXPECT_EQ(EscapedName("a\nb\tc\x01.nrrd"), "a\\nb\\tc\\x01.nrrd");
  EXPECT_EQ(Refused([] { CheckReadable("f", testing::TempDir(), true); }), "");
  EXPECT_NE(Refused([] { CheckReadable("f", testing::TempDir(), false); }), "");
}
