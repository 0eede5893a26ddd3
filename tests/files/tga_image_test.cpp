#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "files/tga_image.h"
#include "tests/files/temp_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Header plus body; a colour map, when asked for, has 24-bit entries.
Bytes Tga(uint8_t type, uint16_t width, uint16_t height, uint8_t depth, const Bytes& body,
          uint8_t idLength = 0, uint8_t mapEntries = 0) {
  Bytes file{idLength, mapEntries != 0, type, 0, 0, mapEntries, 0, static_cast<uint8_t>(mapEntries ? 24 : 0),
             0, 0, 0, 0, static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
             static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), depth, 0};
  file.resize(18 + body.size());
  std::copy(body.begin(), body.end(), file.begin() + 18);
  return file;
}

// Pixels come out R, G, B(, A) in file row order; what the file lacks reads 0.
TEST(Tga, DecodesEveryAcceptedLayout) {
  Bytes fullRunPixels;  // 128 pixels from one packet, the 129th from the next
  for (int i = 0; i < 129; ++i) fullRunPixels.insert(fullRunPixels.end(), {3, 2, 1});
  fullRunPixels.back() = 4;
  // Every pixel of the image is listed, so their count gives the bytes per pixel.
  const struct {
    const char* what;
    Bytes file;
    Bytes pixels;
  } cases[] = {
      {"24-bit swap", Tga(2, 2, 1, 24, {1, 2, 3, 4, 5, 6}), {3, 2, 1, 6, 5, 4}},
      {"32-bit swap", Tga(2, 1, 1, 32, {10, 20, 30, 40}), {30, 20, 10, 40}},
      {"four 16-bit words", Tga(2, 4, 1, 16, {0xFF, 0x7F, 0xFF, 0xFF, 0x00, 0x7C, 0x1F, 0x00}),
       {248, 248, 248, 248, 248, 248, 248, 0, 0, 0, 0, 248}},
      {"5-byte ID", Tga(2, 1, 1, 24, {9, 9, 9, 9, 9, 1, 2, 3}, 5), {3, 2, 1}},
      {"colour map skipped", Tga(2, 1, 1, 24, {7, 50, 50, 50, 60, 60, 60, 1, 2, 3}, 1, 2), {3, 2, 1}},
      {"run packet", Tga(10, 3, 1, 24, {0x82, 1, 2, 3}), {3, 2, 1, 3, 2, 1, 3, 2, 1}},
      {"raw packet", Tga(10, 2, 1, 32, {0x01, 1, 2, 3, 4, 5, 6, 7, 8}), {3, 2, 1, 4, 7, 6, 5, 8}},
      {"full run packets", Tga(10, 129, 1, 24, {0xFF, 1, 2, 3, 0x80, 4, 2, 3}), fullRunPixels},
      // A packet claiming more pixels than remain stops at the buffer's end (ASan watches).
      {"raw packet cut", Tga(10, 1, 2, 24, {0x00, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
       {3, 2, 1, 6, 5, 4}},
      {"packets truncated", Tga(10, 4, 1, 24, {0x81, 1, 2, 3, 0x01, 4}),
       {3, 2, 1, 3, 2, 1, 0, 0, 4, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TgaImage image;
    ASSERT_EQ(LoadTga(WriteTempFile("tga_case.tga", c.file).c_str(), image), 0);
    EXPECT_EQ(std::make_tuple(image.width, image.height, image.width * image.height * image.bytesPerPixel),
              std::make_tuple(c.file[12], c.file[14], static_cast<int32_t>(c.pixels.size())));
    EXPECT_EQ(Bytes(image.pixels, image.pixels + c.pixels.size()), c.pixels);
    delete[] image.pixels;
  }
}

// Unsupported depths, and headers claiming more pixels than the rest of the
// file can hold, are refused silently with the record kept. Run with little
// memory: such a header must be refused before anything is allocated.
[[noreturn]] void ExpectRefusalsWithLittleMemory() {
#if !defined(__SANITIZE_ADDRESS__)  // its shadow memory needs a large address space
  const rlimit limit{1u << 30, 1u << 30};  // the 9000 x 9000 images would fit, no more
  setrlimit(RLIMIT_AS, &limit);
#endif
  const Bytes body{1, 2, 3, 4, 5, 6};
  for (const Bytes& file : {Tga(2, 2, 1, 8, body), Tga(10, 2, 1, 16, body), Tga(10, 2, 1, 8, body),
                            Tga(2, 2, 2, 24, body), Tga(2, 4, 1, 16, body), Tga(2, 9000, 9000, 16, {}),
                            Tga(10, 257, 1, 24, {0xFF, 1, 2, 3, 0xFF, 4, 5, 6}), Tga(2, 9000, 9000, 32, {}),
                            Tga(10, 9000, 9000, 32, {0xFF, 1, 2, 3, 4}), Tga(2, 65535, 65535, 32, {}),
                            Tga(2, 65535, 65535, 16, {}), Tga(2, 1, 1, 24, {1, 2, 3}, 1, 2)}) {
    SCOPED_TRACE(testing::PrintToString(Bytes(file.begin(), file.begin() + 18)));
    TgaImage image{7, 8, 9, nullptr};
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadTga(WriteTempFile("tga_refused.tga", file).c_str(), image), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(std::make_tuple(image.bytesPerPixel, image.width, image.height, image.pixels),
              std::make_tuple(7, 8, 9, nullptr));
  }
  std::exit(testing::Test::HasFailure() ? 1 : 0);
}

TEST(TgaDeathTest, RefusesUnsupportedDepthsAndPixelsTheFileCannotHold) {
  EXPECT_EXIT(ExpectRefusalsWithLittleMemory(), testing::ExitedWithCode(0), "");
}

}  // namespace
