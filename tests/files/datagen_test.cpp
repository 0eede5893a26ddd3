#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/tga_image.h"
#include "tools/datagen/fractal_volume.h"
#include "tools/datagen/head_phantom.h"
#include "tools/datagen/logo.h"
#include "tools/datagen/tga_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(DatagenLogo, RoundTripsThroughTheLoaderWithSoftAlphaAndBottomRowFirst) {
  const Bytes logo = RenderLogo();
  const std::string path = testing::TempDir() + "datagen_logo.tga";
  ASSERT_TRUE(WriteTga32(path, kLogoWidth, kLogoHeight, logo));
  TgaImage image{};
  ASSERT_EQ(LoadTga(path.c_str(), image), 0);
  EXPECT_EQ(image.bytesPerPixel, 4);
  EXPECT_EQ(image.width, kLogoWidth);
  EXPECT_EQ(image.height, kLogoHeight);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + logo.size()), logo);
  delete[] image.pixels;

  size_t opaque = 0, clear = 0, partial = 0;
  for (size_t i = 3; i < logo.size(); i += 4) {
    opaque += logo[i] == 255;
    clear += logo[i] < 8;
    partial += logo[i] >= 32 && logo[i] < 224;
  }
  EXPECT_GT(opaque, 500u);
  EXPECT_GT(clear, 1000u);
  EXPECT_GT(partial, 500u);  // a real soft edge, not a cut-out
  // The underline sits below the letters, so its row comes first.
  EXPECT_EQ(logo[(12 * kLogoWidth + kLogoWidth / 2) * 4 + 3], 255);
  EXPECT_LT(logo[(56 * kLogoWidth + kLogoWidth / 2) * 4 + 3], 128);
}

TEST(DatagenPhantom, NestedTissuesAlongTheMiddleRow) {
  const int n = 128;
  const Bytes head = BuildHeadPhantom(n);
  ASSERT_EQ(head.size(), static_cast<size_t>(n) * n * n);
  auto at = [&](int x, int y, int z) { return head[(static_cast<size_t>(z) * n + y) * n + x]; };
  EXPECT_EQ(at(0, 0, 0), phantom::kAir);
  EXPECT_EQ(at(n - 1, n - 1, n - 1), phantom::kAir);
  // Walking in from the left edge along the middle row: air, scalp, skull, brain.
  std::vector<uint8_t> order;
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

TEST(DatagenFractal, PlanesDoNotDependOnHowTheVolumeIsSplit) {
  const int sx = 200, sy = 40, sz = 12;
  Bytes whole(static_cast<size_t>(sx) * sy * sz);
  FillFractalPlanes(sx, sy, 0, sz, whole.data());
  Bytes parts(whole.size());
  FillFractalPlanes(sx, sy, 0, 5, parts.data());
  FillFractalPlanes(sx, sy, 5, sz, parts.data() + static_cast<size_t>(sx) * sy * 5);
  EXPECT_EQ(parts, whole);

  const std::string path = testing::TempDir() + "datagen_fractal.raw";
  std::string error;
  ASSERT_TRUE(WriteFractalVolume(path, sx, sy, sz, 2, error)) << error;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  Bytes written(whole.size() + 1);
  EXPECT_EQ(std::fread(written.data(), 1, written.size(), f), whole.size());
  std::fclose(f);
  written.pop_back();
  EXPECT_EQ(written, whole);

  EXPECT_FALSE(WriteFractalVolume(testing::TempDir() + "no/such/dir.raw", 8, 8, 8, 2, error));
  EXPECT_NE(error.find("no/such/dir.raw"), std::string::npos);
}

TEST(DatagenFractal, HasEmptySpaceDenseSheetsAndFineDetail) {
  const int sx = 512, sy = 64, sz = 4;
  Bytes volume(static_cast<size_t>(sx) * sy * sz);
  FillFractalPlanes(sx, sy, 0, sz, volume.data());
  size_t zero = 0, bright = 0, neighbourSteps = 0;
  for (size_t i = 0; i < volume.size(); ++i) {
    zero += volume[i] == 0;
    bright += volume[i] > 128;
    if (i % sx != 0 && volume[i] != 0) {
      const int step = volume[i] - volume[i - 1];
      neighbourSteps += step > 24 || step < -24;
    }
  }
  EXPECT_GT(zero, volume.size() / 5);
  EXPECT_LT(zero, volume.size() * 9 / 10);
  EXPECT_GT(bright, volume.size() / 100);
  // Detail down to a couple of voxels: adjacent voxels often differ sharply.
  EXPECT_GT(neighbourSteps, volume.size() / 100);
}

}  // namespace
