#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/tga_image.h"

// Requests above 1 GiB fail here, so the loader's out-of-memory path can be
// driven by a header alone.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (size > (std::size_t{1} << 30)) return nullptr;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Header(uint8_t imageType, uint16_t width, uint16_t height, uint8_t depth,
             uint8_t idLength = 0) {
  Bytes h(18, 0);
  h[0] = idLength;
  h[2] = imageType;
  h[12] = width & 0xFF;
  h[13] = width >> 8;
  h[14] = height & 0xFF;
  h[15] = height >> 8;
  h[16] = depth;
  return h;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string WriteFile(const std::string& name, const Bytes& bytes) {
  const std::string path = testing::TempDir() + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  EXPECT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

struct Loaded {
  int32_t result;
  TgaImage image;
  Bytes pixels() const {
    const size_t n = static_cast<size_t>(image.width) * image.height * image.bytesPerPixel;
    return Bytes(image.pixels, image.pixels + n);
  }
  ~Loaded() { delete[] image.pixels; }
};

void Load(const Bytes& file, Loaded& out) {
  const std::string path = WriteFile("tga_case.tga", file);
  out.image = TgaImage{};
  out.result = LoadTga(path.c_str(), out.image);
}

TEST(TgaUncompressed, TrueColourSwapsRedAndBlue) {
  Loaded rgb;
  Load(Concat(Header(2, 2, 1, 24), {1, 2, 3, 4, 5, 6}), rgb);
  ASSERT_EQ(rgb.result, 0);
  EXPECT_EQ(rgb.image.bytesPerPixel, 3);
  EXPECT_EQ(rgb.image.width, 2);
  EXPECT_EQ(rgb.image.height, 1);
  EXPECT_EQ(rgb.pixels(), (Bytes{3, 2, 1, 6, 5, 4}));

  Loaded rgba;
  Load(Concat(Header(2, 1, 1, 32), {10, 20, 30, 40}), rgba);
  ASSERT_EQ(rgba.result, 0);
  EXPECT_EQ(rgba.image.bytesPerPixel, 4);
  EXPECT_EQ(rgba.pixels(), (Bytes{30, 20, 10, 40}));
}

TEST(TgaUncompressed, RowsStayInFileOrder) {
  Loaded image;
  Load(Concat(Header(2, 1, 3, 24), {1, 0, 0, 2, 0, 0, 3, 0, 0}), image);
  ASSERT_EQ(image.result, 0);
  EXPECT_EQ(image.pixels(), (Bytes{0, 0, 1, 0, 0, 2, 0, 0, 3}));
}

TEST(TgaUncompressed, SixteenBitWordsBecomeThreeBytes) {
  Loaded image;
  Load(Concat(Header(2, 4, 1, 16), {0xFF, 0x7F, 0xFF, 0xFF, 0x00, 0x7C, 0x1F, 0x00}), image);
  ASSERT_EQ(image.result, 0);
  EXPECT_EQ(image.image.bytesPerPixel, 3);
  EXPECT_EQ(image.pixels(),
            (Bytes{248, 248, 248, 248, 248, 248, 248, 0, 0, 0, 0, 248}));
}

TEST(TgaUncompressed, IdFieldAndColourMapAreSkipped) {
  Loaded withId;
  Load(Concat(Header(2, 1, 1, 24, 5), {9, 9, 9, 9, 9, 1, 2, 3}), withId);
  ASSERT_EQ(withId.result, 0);
  EXPECT_EQ(withId.pixels(), (Bytes{3, 2, 1}));

  // Two 24-bit colour-map entries sit between the ID and the pixels.
  Bytes header = Header(2, 1, 1, 24, 1);
  header[1] = 1;
  header[5] = 2;
  header[7] = 24;
  Loaded withMap;
  Load(Concat(header, {7, 50, 50, 50, 60, 60, 60, 1, 2, 3}), withMap);
  ASSERT_EQ(withMap.result, 0);
  EXPECT_EQ(withMap.pixels(), (Bytes{3, 2, 1}));
}

TEST(TgaUncompressed, ShortFileLeavesMissingPixelsZero) {
  Loaded truecolour;
  Load(Concat(Header(2, 2, 2, 24), {1, 2, 3, 4}), truecolour);
  ASSERT_EQ(truecolour.result, 0);
  EXPECT_EQ(truecolour.pixels(), (Bytes{3, 2, 1, 0, 0, 4, 0, 0, 0, 0, 0, 0}));

  Loaded sixteen;
  Load(Concat(Header(2, 2, 1, 16), {0x00, 0x7C}), sixteen);
  ASSERT_EQ(sixteen.result, 0);
  EXPECT_EQ(sixteen.pixels(), (Bytes{248, 0, 0, 0, 0, 0}));
}

TEST(TgaRunLength, RunAndRawPackets) {
  Loaded run;
  Load(Concat(Header(10, 3, 1, 24), {0x82, 1, 2, 3}), run);
  ASSERT_EQ(run.result, 0);
  EXPECT_EQ(run.pixels(), (Bytes{3, 2, 1, 3, 2, 1, 3, 2, 1}));

  Loaded raw;
  Load(Concat(Header(10, 2, 1, 32), {0x01, 1, 2, 3, 4, 5, 6, 7, 8}), raw);
  ASSERT_EQ(raw.result, 0);
  EXPECT_EQ(raw.image.bytesPerPixel, 4);
  EXPECT_EQ(raw.pixels(), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(TgaRunLength, PacketsPastTheLastPixelAreCut) {
  // A 2-pixel image whose run packet claims 128 pixels, and one whose raw
  // packet carries 3; neither may write past 2 pixels (ASan watches).
  Loaded run;
  Load(Concat(Header(10, 2, 1, 24), {0xFF, 1, 2, 3}), run);
  ASSERT_EQ(run.result, 0);
  EXPECT_EQ(run.pixels(), (Bytes{3, 2, 1, 3, 2, 1}));

  Loaded raw;
  Load(Concat(Header(10, 1, 2, 24), {0x00, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12}), raw);
  ASSERT_EQ(raw.result, 0);
  EXPECT_EQ(raw.pixels(), (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(TgaRunLength, TruncatedDataLeavesZeros) {
  Loaded image;
  Load(Concat(Header(10, 4, 1, 24), {0x81, 1, 2, 3, 0x01, 4}), image);
  ASSERT_EQ(image.result, 0);
  EXPECT_EQ(image.pixels(), (Bytes{3, 2, 1, 3, 2, 1, 0, 0, 4, 0, 0, 0}));
}

TEST(TgaRefusal, UnsupportedDepthsLeaveTheRecordUnchanged) {
  const TgaImage untouched{7, 8, 9, nullptr};
  const struct {
    uint8_t type;
    uint8_t depth;
  } cases[] = {{2, 8}, {3, 8}, {10, 16}, {10, 8}, {10, 0}, {2, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << int(c.type) << " depth " << int(c.depth));
    const std::string path =
        WriteFile("tga_refused.tga", Concat(Header(c.type, 2, 1, c.depth), {1, 2, 3, 4, 5, 6}));
    TgaImage image = untouched;
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadTga(path.c_str(), image), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(image.bytesPerPixel, 7);
    EXPECT_EQ(image.width, 8);
    EXPECT_EQ(image.height, 9);
    EXPECT_EQ(image.pixels, nullptr);
  }
}

TEST(TgaRefusal, ImageTooLargeToAllocateIsRefused) {
  const std::string path = WriteFile("tga_huge.tga", Header(2, 65535, 65535, 32));
  TgaImage image{};
  EXPECT_EQ(LoadTga(path.c_str(), image), 1);
  EXPECT_EQ(image.width, 0);
  EXPECT_EQ(image.pixels, nullptr);
}

TEST(TgaRefusal, MissingFilePrintsItsName) {
  TgaImage image{};
  testing::internal::CaptureStdout();
  EXPECT_EQ(LoadTga("no such logo.tga", image), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Could not open the tga file : no such logo.tga\n");
  EXPECT_EQ(image.pixels, nullptr);
}

}  // namespace
