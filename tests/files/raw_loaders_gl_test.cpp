// The renderer's raw-file loaders against a real GL context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "files/raw_volume.h"
#include "render/vol_render.h"
#include "tests/files/temp_file.h"
#include "tests/support/gl_window.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Each test starts from a borrowed 16^3 one-channel volume that no load may
// write to or free, and first checks that failed loads leave it in place.
class RawLoadersGl : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { OpenGlWindow("raw loaders test", 64, 64); }
  void SetUp() override {
    glGenTextures(1, &renderer.volumeTexture);
    renderer.data = borrowed.data();
    renderer.channels = 1;
    renderer.sizeX = renderer.sizeY = renderer.sizeZ = 16;
  }
  void TearDown() override {
    EXPECT_EQ(borrowed, std::vector<float>(16 * 16 * 16, 0.25f));
    if (renderer.ownsData) delete[] renderer.data;
  }

  // A missing file, a folder (opens, but cannot be read) and an unaddressable
  // size all fail as a load, with the volume on show kept.
  void ExpectFailuresKeepTheVolume(const std::function<void(const char*, int32_t)>& load) {
    for (const auto& [name, size] : {std::pair<std::string, int32_t>{"no-such.raw", 8},
                                     {testing::TempDir(), 8}, {WriteTempFile("any.raw", {1}), INT_MAX}}) {
      SCOPED_TRACE(name);
      try {
        load(name.c_str(), size);
        ADD_FAILURE() << "no exception";
      } catch (const VolRender::Error& error) {
        EXPECT_EQ(error.message, "LoadRawData: Erreur, impossible de charger le fichier raw");
      }
      EXPECT_EQ(std::make_tuple(renderer.data, renderer.ownsData, renderer.channels, renderer.sizeX),
                std::make_tuple(borrowed.data(), false, 1, 16));
    }
  }

  GLint UploadedWidth() {
    glBindTexture(GL_TEXTURE_3D, renderer.volumeTexture);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &width);
    return width;
  }

  // What a load of a 32^3 sub-volume file prints: steps on stdout, shortness on stderr.
  std::string SubVolume(const std::string& path, int32_t channels, int32_t extent, int32_t newSize) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    renderer.LoadRawSubVolume(path.c_str(), 32, 32, 32, channels, 0, 0, 0, extent, extent, extent,
                              newSize, newSize, newSize);
    return testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
  }

  VolRender renderer;
  std::vector<float> borrowed = std::vector<float>(16 * 16 * 16, 0.25f);
};

TEST_F(RawLoadersGl, WholeFileIsSmoothedOwnedAndUploadedAndShortFilesSaySo) {
  ExpectFailuresKeepTheVolume(
      [&](const char* name, int32_t size) { renderer.LoadRawData(name, size, size, 8, 4); });
  Bytes bytes(8 * 10 * 12 * 4);
  std::iota(bytes.begin(), bytes.end(), uint8_t{0});  // 0..255 over and over
  renderer.LoadRawData(WriteTempFile("loaders_whole.raw", bytes).c_str(), 8, 10, 12, 4);
  EXPECT_EQ(std::make_tuple(renderer.ownsData, renderer.channels, renderer.sizeY, renderer.sizeZ),
            std::make_tuple(true, 4, 10, 12));
  std::vector<float> expected(bytes.size());
  SmoothRawVolume(bytes.data(), 8, 10, 12, 4, expected.data());
  EXPECT_EQ(std::vector<float>(renderer.data, renderer.data + bytes.size()), expected);
  EXPECT_EQ(UploadedWidth(), 8);

  const std::string shortFile = WriteTempFile("loaders_short.raw", Bytes(100, 255));
  testing::internal::CaptureStderr();
  renderer.LoadRawData(shortFile.c_str(), 8, 8, 8, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "LoadRawData: " + shortFile + " : 412 octets manquants, lus comme 0\n");
}

TEST_F(RawLoadersGl, SubVolumePrintsItsStepsAndIsOwnedAndUploaded) {
  ExpectFailuresKeepTheVolume([&](const char* name, int32_t size) {
    renderer.LoadRawSubVolume(name, 64, 64, 64, 4, 0, 0, 0, 64, 64, 64, size, size, 8);
  });
  Bytes ramp(32 * 32 * 32);
  std::iota(ramp.begin(), ramp.end(), uint8_t{0});
  const std::string path = WriteTempFile("loaders_sub.raw", ramp);
  // The program's only form, -1 sizes, keeps the grid but never writes a borrowed buffer.
  EXPECT_EQ(SubVolume(path, 1, 32, -1), "2.000000 2.000000 2.000000\n");
  EXPECT_EQ(std::make_tuple(renderer.ownsData, renderer.sizeX), std::make_tuple(true, 16));
  EXPECT_EQ(renderer.data[1], static_cast<float>(2 * kByteToUnit));
  EXPECT_EQ(UploadedWidth(), 16);
  // The step is rounded to single precision before printing.
  EXPECT_EQ(SubVolume(path, 4, 1024, 170), "6.023530 6.023530 6.023530\n");
  EXPECT_EQ(std::make_tuple(renderer.ownsData, renderer.channels, renderer.sizeX),
            std::make_tuple(true, 4, 170));
  // Inside the file's box but past its end: 0, and one line naming the file.
  const std::string shortFile = WriteTempFile("loaders_sub_short.raw", Bytes(32 * 32 * 31, 1));
  EXPECT_EQ(SubVolume(shortFile, 1, 32, 32),
            "1.000000 1.000000 1.000000\nLoadRawSubVolume: " + shortFile +
                " : 1024 octets manquants, lus comme 0\n");
}

}  // namespace
