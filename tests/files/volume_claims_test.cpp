// A header's claim against what its file can hold, per format, before any
// voxel is allocated: exact files pass, one byte or value short is refused,
// data files must be regular and not the header; DICOM is not measured by
// rules written for other formats. Also free memory and escaped names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "files/file_checks.h"
#include "files/volume_complete.h"
#include "files/volume_file.h"
#include "temp_file.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  uLongf size = compressBound(data.size());
  std::vector<uint8_t> out(size);
  compress(out.data(), &size, data.data(), data.size());
  out.resize(size);
  return out;
}

std::string Refusal(const std::string& path, const std::string& format, uint64_t bytes) {
  try {
    CheckFileComplete("f", path, format, bytes, bytes);
  } catch (const VolumeFileError& error) {
    return error.what();
  }
  return "";
}

const std::string kNrrd = "NRRD0004\ntype: uint8\ndimension: 3\nsizes: 4 4 4\n";

}  // namespace

TEST(Claims, NrrdAttachedDetachedGzipAndAscii) {
  const std::string raw = WriteTempFile("c.nrrd", Join(Bytes(kNrrd + "encoding: raw\n\n"), std::vector<uint8_t>(64)));
  EXPECT_EQ(Refusal(raw, "NRRD", 64), "");
  EXPECT_EQ(Refusal(raw, "NRRD", 65), "f: file is cut short");
  WriteTempFile("c_data.raw", std::vector<uint8_t>(64));
  const std::string detached = WriteTempFile("c.nhdr", Bytes(kNrrd + "encoding: raw\ndata file: c_data.raw\n"));
  EXPECT_EQ(Refusal(detached, "NRRD", 64), "");
  EXPECT_NE(Refusal(detached, "NRRD", 65).find("cut short (data file "), std::string::npos);
  const std::string self = WriteTempFile("s.nhdr", Bytes(kNrrd + "encoding: raw\ndata file: s.nhdr\n"));
  EXPECT_NE(Refusal(self, "NRRD", 1).find("is the header itself"), std::string::npos);
  const std::string missing = WriteTempFile("m.nhdr", Bytes(kNrrd + "encoding: raw\ndata file: nowhere.raw\n"));
  EXPECT_NE(Refusal(missing, "NRRD", 1).find("No such file"), std::string::npos);

  std::vector<uint8_t> gz(64);
  gzFile out = gzopen((testing::TempDir() + "c.raw.gz").c_str(), "wb");
  gzwrite(out, gz.data(), 64);
  gzclose(out);
  const std::string gzip = WriteTempFile("g.nhdr", Bytes(kNrrd + "encoding: gzip\ndata file: c.raw.gz\n"));
  EXPECT_EQ(Refusal(gzip, "NRRD", 64), "");
  EXPECT_NE(Refusal(gzip, "NRRD", 65).find("cut short"), std::string::npos);

  const std::string ascii = WriteTempFile("a.nrrd", Bytes(kNrrd + "encoding: ascii\n\n1 2 3\n4,5\n"));
  EXPECT_EQ(Refusal(ascii, "NRRD", 5), "");
  EXPECT_EQ(Refusal(ascii, "NRRD", 6), "f: file is cut short");
}

TEST(Claims, MetaImageLocalDetachedCompressedAndList) {
  const std::string head = "ObjectType = Image\nNDims = 3\nDimSize = 4 4 4\nElementType = MET_UCHAR\n";
  const std::string local =
      WriteTempFile("l.mha", Join(Bytes(head + "ElementDataFile = LOCAL\n"), std::vector<uint8_t>(64)));
  EXPECT_EQ(Refusal(local, "MetaImage", 64), "");
  EXPECT_EQ(Refusal(local, "MetaImage", 65), "f: file is cut short");
  WriteTempFile("d.raw", std::vector<uint8_t>(64));
  const std::string detached = WriteTempFile("d.mhd", Bytes(head + "ElementDataFile = d.raw\n"));
  EXPECT_EQ(Refusal(detached, "MetaImage", 64), "");
  EXPECT_NE(Refusal(detached, "MetaImage", 65).find("cut short"), std::string::npos);
  const std::string packed = WriteTempFile(
      "z.mha", Join(Bytes(head + "CompressedData = True\nElementDataFile = LOCAL\n"), Deflate(std::vector<uint8_t>(64))));
  EXPECT_EQ(Refusal(packed, "MetaImage", 64), "");
  EXPECT_NE(Refusal(packed, "MetaImage", 65).find("cut short"), std::string::npos);
  const std::string list = WriteTempFile("list.mhd", Bytes(head + "ElementDataFile = LIST\nd.raw\ngone.raw\n"));
  EXPECT_NE(Refusal(list, "MetaImage", 64).find("gone.raw: No such file"), std::string::npos);
}

TEST(Claims, VtkBinaryAndAscii) {
  const std::string head =
      "# vtk DataFile Version 3.0\nv\n%s\nDATASET STRUCTURED_POINTS\nDIMENSIONS 4 4 4\nPOINT_DATA 64\n"
      "SCALARS v unsigned_char 1\nLOOKUP_TABLE default\n";
  std::string binary = head, ascii = head;
  binary.replace(binary.find("%s"), 2, "BINARY");
  ascii.replace(ascii.find("%s"), 2, "ASCII");
  const std::string b = WriteTempFile("b.vtk", Join(Bytes(binary), std::vector<uint8_t>(64)));
  EXPECT_EQ(Refusal(b, "VTK", 64), "");
  EXPECT_EQ(Refusal(b, "VTK", 65), "f: file is cut short");
  const std::string a = WriteTempFile("a.vtk", Bytes(ascii + "1 2 3\n"));
  EXPECT_EQ(Refusal(a, "VTK", 3), "");
  EXPECT_EQ(Refusal(a, "VTK", 4), "f: file is cut short");
}

namespace {

std::vector<uint8_t> NiftiHeader(const char* magic, int16_t size, float offset, float sformValue = 1) {
  std::vector<uint8_t> h(348);
  const int32_t headerSize = 348;
  std::memcpy(&h[0], &headerSize, 4);
  const int16_t dims[8] = {3, size, size, size, 1, 1, 1, 1};
  std::memcpy(&h[40], dims, sizeof dims);
  const int16_t type[2] = {2, 8};
  std::memcpy(&h[70], type, 4);
  const float pixdim[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  std::memcpy(&h[76], pixdim, sizeof pixdim);
  std::memcpy(&h[108], &offset, 4);
  const int16_t sformCode = 1;
  std::memcpy(&h[254], &sformCode, 2);
  const float rows[12] = {sformValue, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  std::memcpy(&h[280], rows, sizeof rows);
  std::memcpy(&h[344], magic, 4);
  return h;
}

}  // namespace

TEST(Claims, NiftiSingleAndPairAndSaneHeaders) {
  const std::string single = WriteTempFile("n.nii", Join(NiftiHeader("n+1", 4, 352), std::vector<uint8_t>(4 + 64)));
  EXPECT_EQ(Refusal(single, "NIfTI", 0), "");
  const std::string big = WriteTempFile("nb.nii", Join(NiftiHeader("n+1", 5, 352), std::vector<uint8_t>(4 + 64)));
  EXPECT_EQ(Refusal(big, "NIfTI", 0), "f: file is cut short");
  const std::string pair = WriteTempFile("p.hdr", NiftiHeader("ni1", 4, 0));
  WriteTempFile("p.img", std::vector<uint8_t>(63));
  EXPECT_NE(Refusal(pair, "NIfTI", 0).find("cut short (data file "), std::string::npos);
  WriteTempFile("p.img", std::vector<uint8_t>(64));
  EXPECT_EQ(Refusal(pair, "NIfTI", 0), "");

  const std::string nan = WriteTempFile("nan.nii", Join(NiftiHeader("n+1", 4, 352, NAN), std::vector<uint8_t>(68)));
  EXPECT_THROW(CheckHeaderSane("f", nan), VolumeFileError);
  const std::string offset = WriteTempFile("off.nii", Join(NiftiHeader("n+1", 4, 1e30f), std::vector<uint8_t>(68)));
  EXPECT_THROW(CheckHeaderSane("f", offset), VolumeFileError);
  EXPECT_NO_THROW(CheckHeaderSane("f", single));
  const std::string dims = WriteTempFile("d12.nrrd", Bytes("NRRD0004\ntype: uint8\ndimension: 12\n\n"));
  try {
    CheckHeaderSane("f", dims);
    ADD_FAILURE();
  } catch (const VolumeFileError& error) {
    EXPECT_STREQ(error.what(), "f: has 12 dimensions; 2, 3 or 4 can be shown");
  }
}

TEST(Claims, DicomAndUnknownFormatsAreNotMeasuredByOtherFormatsRules) {
  // A DICOM file that happens to hold "n+1" or a NRRD-looking start is not cut short.
  const std::string dicom = WriteTempFile("x.dcm", Join(NiftiHeader("n+1", 100, 352), std::vector<uint8_t>(10)));
  EXPECT_EQ(Refusal(dicom, "DICOM", 1 << 30), "");
  EXPECT_EQ(Refusal(dicom, "MRC", 1 << 30), "");
}


TEST(Claims, DamagedAndCutCompressedStreamsAreToldApart) {
  std::vector<uint8_t> data(5000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 % 251);
  const std::string path = testing::TempDir() + "s.gz";
  gzFile out = gzopen(path.c_str(), "wb");
  gzwrite(out, data.data(), static_cast<unsigned>(data.size()));
  gzclose(out);
  EXPECT_EQ(InflatedBytes("f", path, 0, 5000), 5000u);
  EXPECT_EQ(InflatedBytes("f", path, 0, 100), 101u > 100 ? InflatedBytes("f", path, 0, 100) : 0u);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<uint8_t> crc = bytes;
  crc[crc.size() - 8] ^= 0xff;
  const std::string damaged = WriteTempFile("damaged.gz", crc);
  try {
    InflatedBytes("f", damaged, 0, 5000);
    ADD_FAILURE();
  } catch (const VolumeFileError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("f: damaged compressed data (", 0), 0u) << error.what();
  }
  bytes.resize(bytes.size() - 1);
  const std::string cut = WriteTempFile("cut.gz", bytes);
  try {
    InflatedBytes("f", cut, 0, 5000);
    ADD_FAILURE();
  } catch (const VolumeFileError& error) {
    EXPECT_STREQ(error.what(), "f: file is cut short (compressed data ends early)");
  }
}

TEST(FileChecks, MemoryNamesAndFileKinds) {
  try {
    CheckMemory("f", 9'000'000'000ull, 2'500'000'000ull);
    ADD_FAILURE();
  } catch (const VolumeFileError& error) {
    EXPECT_STREQ(error.what(), "f: too large for memory: needs 9.0 GB, 2.5 GB free");
  }
  EXPECT_NO_THROW(CheckMemory("f", 100, 100));
  EXPECT_GT(MemoryAvailable(), 0u);
  EXPECT_EQ(EscapedName("a\nb\tc\x01.nrrd"), "a\\nb\\tc\\x01.nrrd");
  const std::string fifo = testing::TempDir() + "kind.fifo";
  unlink(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  try {
    CheckReadable("f", fifo, true);
    ADD_FAILURE();
  } catch (const VolumeFileError& error) {
    EXPECT_STREQ(error.what(), "f: a FIFO, not a volume file");
  }
  EXPECT_NO_THROW(CheckReadable("f", testing::TempDir(), true));
  EXPECT_THROW(CheckReadable("f", testing::TempDir(), false), VolumeFileError);
}
