#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "app/tga_image.h"
#include "tools/datagen/fractal_volume.h"
#include "tools/datagen/head_phantom.h"
#include "tools/datagen/logo.h"
#include "tools/datagen/tga_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(Datagen, LogoRoundTripsThroughTheLoaderWithSoftAlphaAndBottomRowFirst) {
  const Bytes logo = RenderLogo();
  const std::string path = testing::TempDir() + "datagen_logo.tga";
  ASSERT_TRUE(WriteTga32(path, kLogoWidth, kLogoHeight, logo));
  TgaImage image;
  ASSERT_EQ(LoadTga(path.c_str(), image), 0);
  EXPECT_EQ(std::make_tuple(image.bytesPerPixel, image.width, image.height),
            std::make_tuple(4, kLogoWidth, kLogoHeight));
  EXPECT_EQ(Bytes(image.pixels, image.pixels + logo.size()), logo);
  delete[] image.pixels;
  size_t opaque = 0, clear = 0, partial = 0;
  for (size_t i = 3; i < logo.size(); i += 4) {
    opaque += logo[i] == 255;
    clear += logo[i] < 8;
    partial += logo[i] >= 32 && logo[i] < 224;  // a real soft edge, not a cut-out
  }
  EXPECT_GT(opaque, 500u);
  EXPECT_GT(clear, 1000u);
  EXPECT_GT(partial, 500u);
  // The underline sits below the letters, so its row comes first.
  EXPECT_EQ(logo[(12 * kLogoWidth + kLogoWidth / 2) * 4 + 3], 255);
  EXPECT_LT(logo[(56 * kLogoWidth + kLogoWidth / 2) * 4 + 3], 128);
}

TEST(Datagen, PhantomNestsItsTissuesAlongTheMiddleRow) {
  const int n = 128;
  const Bytes head = BuildHeadPhantom(n);
  ASSERT_EQ(head.size(), static_cast<size_t>(n) * n * n);
  auto at = [&](int x, int y, int z) { return head[(static_cast<size_t>(z) * n + y) * n + x]; };
  EXPECT_EQ(at(n - 1, n - 1, n - 1), phantom::kAir);
  Bytes order;
  for (int x = 0; x < n / 2 - 24; ++x) {
    const uint8_t v = at(x, n / 2 + 10, n / 2);
    if (order.empty() || order.back() != v) order.push_back(v);
  }
  EXPECT_EQ(order, (Bytes{phantom::kAir, phantom::kScalp, phantom::kSkull, phantom::kBrain}));
  size_t ventricle = 0, lesion = 0;
  for (uint8_t v : head) {
    ventricle += v == phantom::kVentricle;
    lesion += v > 60 && v != phantom::kSkull;  // the falx is lighter
  }
  EXPECT_GT(ventricle, 1000u);
  EXPECT_GT(lesion, 100u);
}

TEST(Datagen, FractalIsSplitIndependentWrittenWholeAndDetailed) {
  const int sx = 512, sy = 64, sz = 4;
  const size_t plane = static_cast<size_t>(sx) * sy;
  Bytes whole(plane * sz), parts(whole.size());
  FillFractalPlanes(sx, sy, 0, sz, whole.data());
  FillFractalPlanes(sx, sy, 0, 1, parts.data());
  FillFractalPlanes(sx, sy, 1, sz, parts.data() + plane);
  EXPECT_EQ(parts, whole);

  const std::string path = testing::TempDir() + "datagen_fractal.raw";
  std::string error;
  ASSERT_TRUE(WriteFractalVolume(path, sx, sy, sz, 2, error)) << error;
  std::ifstream written(path, std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(written), {}), whole);
  EXPECT_FALSE(WriteFractalVolume(testing::TempDir() + "no/such/dir.raw", 8, 8, 8, 2, error));
  EXPECT_NE(error.find("no/such/dir.raw"), std::string::npos);

  // Empty space, dense sheets, and detail down to a couple of voxels.
  size_t zero = 0, bright = 0, sharpSteps = 0;
  for (size_t i = 0; i < whole.size(); ++i) {
    zero += whole[i] == 0;
    bright += whole[i] > 128;
    if (i % sx != 0 && whole[i] != 0) sharpSteps += std::abs(whole[i] - whole[i - 1]) > 24;
  }
  EXPECT_GT(zero, whole.size() / 5);
  EXPECT_LT(zero, whole.size() * 9 / 10);
  EXPECT_GT(bright, whole.size() / 100);
  EXPECT_GT(sharpSteps, whole.size() / 100);
}

}  // namespace
