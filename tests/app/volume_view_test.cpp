#include "app/volume_view.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using Box = std::array<std::array<double, 3>, 2>;  // origin, extent

Box Viewed(const VolumeView& view, const VolumeInfo& info) {
  const VolumeBox box = ViewedBox(view, info);
  return {box.origin, box.extent};
}

// 192 x 192 x 128 mm: the cube starts as wide as the longest side.
TEST(VolumeView, KeysStayWithinTheVolumeHoweverOftenPressed) {
  VolumeInfo info;
  info.sizes = {128, 128, 64};
  info.spacing = {1.5, 1.5, 2.0};
  VolumeView view = WholeVolumeView(info);
  EXPECT_FALSE(StepVolumeView(view, 'z', info));
  EXPECT_TRUE(StepVolumeView(view, '+', info));
  // One step of 60/1024 of 192 mm from each side: 3.75 voxels, rounded outwards.
  EXPECT_EQ(Viewed(view, info), (Box{{{3, 3, 0}, {122, 122, 64}}}));
  // A hundred presses each: one step wide and centred, then pushed to either
  // side, then the whole volume again, in its physical proportions.
  const std::pair<char, Box> presses[] = {{'+', {{{60, 60, 29}, {8, 8, 6}}}},
                                          {'4', {{{0, 60, 29}, {8, 8, 6}}}},
                                          {'6', {{{120, 60, 29}, {8, 8, 6}}}},
                                          {'-', {{{0, 0, 0}, {128, 128, 64}}}}};
  for (const auto& [key, box] : presses) {
    for (int i = 0; i < 100; ++i) StepVolumeView(view, key, info);
    EXPECT_EQ(Viewed(view, info), box) << key;
  }
  EXPECT_EQ(BoxProportions(ViewedBox(view, info), info),
            (std::array<float, 3>{1.0f, 1.0f, static_cast<float>(2.0 / 3)}));
}

}  // namespace
