// Lighting of volumes whose voxels are longer on one axis: once the renderer
// knows the physical proportions, gradients are taken per unit of length.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "render/gradients.h"
#include "render/vol_render.h"
#include "tests/support/gl_window.h"

namespace {

using Scale = std::array<double, 3>;

// 32x16x16 voxels rising by 0.01 per voxel along x and 0.02 along z: with
// proportions 1, 0.5, 1 a z voxel is twice as long, so the rise per unit of
// length is the same on both axes.
std::vector<float> Ramp(int32_t nz) {
  std::vector<float> v(32 * 16 * static_cast<size_t>(nz));
  for (size_t i = 0; i < v.size(); ++i) v[i] = 0.01f * (i % 32) + 0.02f * (i / (32 * 16));
  return v;
}

TEST(AnisotropicGradients, ScaleFollowsTheVoxelStepsOverTheFinestAxis) {
  EXPECT_EQ(GradientAxisScale({32, 16, 16}, {1, 0.5f, 1}), (Scale{1, 1, 0.5}));
  EXPECT_EQ(GradientAxisScale({64, 32, 16}, {1, 0.5f, 0.25f}), (Scale{1, 1, 1}));
  EXPECT_EQ(GradientAxisScale({16, 0, 8}, {1, 1, 0.5f}), (Scale{1, 1, 1}));
  EXPECT_EQ(GradientAxisScale({16, 16, 8}, {1, 0, 1}), (Scale{1, 1, 1}));
}

TEST(AnisotropicGradients, RendererLightsLongVoxelsByLengthAndEveryUploadAsBefore) {
  OpenGlWindow("anisotropic gradients", 64, 64);
  gRenderer.Init();
  std::vector<float> ramp = Ramp(16);
  gRenderer.SetData(ramp.data(), 32, 16, 16);
  gRenderer.SetProportions(1, 0.5f, 1);
  gRenderer.BuildGradients();
  const float* g = gRenderer.gradientData;
  for (size_t x = 5; x < 27; ++x) {  // steps of 4 voxels on both axes
    for (size_t z = 5; z < 11; ++z) {
      const size_t i = 3 * (x + 32 * (8 + 16 * z));
      ASSERT_NEAR(g[i] - 0.5f, 0.04f, 1e-6f) << x << " " << z;
      ASSERT_NEAR(g[i + 2], g[i], 1e-6f) << x << " " << z;
    }
  }
  // A new upload is lit per voxel again, exactly as without proportions.
  std::vector<float> want(3 * ramp.size());
  ComputeGradients(ramp.data(), 32, 16, 16, want.data());
  gRenderer.SetData(ramp.data(), 32, 16, 16);
  gRenderer.BuildGradients();
  EXPECT_EQ(std::vector<float>(gRenderer.gradientData, gRenderer.gradientData + want.size()), want);
  gRenderer.SetData(nullptr, 0, 0, 0);
}

}  // namespace
