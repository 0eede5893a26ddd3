#include "app/volume_view.h"

#include <gtest/gtest.h>

namespace {

VolumeInfo Info(std::array<int64_t, 3> sizes, std::array<double, 3> spacing) {
  VolumeInfo info;
  info.sizes = sizes;
  info.spacing = spacing;
  return info;
}

void ExpectBox(const VolumeBox& box, std::array<double, 3> origin, std::array<double, 3> extent) {
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_EQ(box.origin[axis], origin[axis]) << "axis " << axis;
    EXPECT_EQ(box.extent[axis], extent[axis]) << "axis " << axis;
  }
}

}  // namespace

TEST(VolumeView, WholeVolumeKeepsPhysicalProportions) {
  const VolumeInfo info = Info({100, 50, 40}, {1.0, 1.0, 0.5});
  const VolumeBox box = ViewedBox(WholeVolumeView(info), info);
  ExpectBox(box, {0, 0, 0}, {100, 50, 40});
  const std::array<float, 3> proportions = BoxProportions(box, info);
  EXPECT_FLOAT_EQ(proportions[0], 1.0f);
  EXPECT_FLOAT_EQ(proportions[1], 0.5f);
  EXPECT_FLOAT_EQ(proportions[2], 0.2f);
}

TEST(VolumeView, KeysStayWithinTheVolumeHoweverOftenPressed) {
  const VolumeInfo info = Info({128, 128, 64}, {1.5, 1.5, 3.0});
  VolumeView view = WholeVolumeView(info);
  EXPECT_FALSE(StepVolumeView(view, 'z', info));
  EXPECT_TRUE(StepVolumeView(view, '+', info));
  // One step of 60/1024 of 192 mm from each side: 3.75 voxels, rounded outwards.
  ExpectBox(ViewedBox(view, info), {3, 3, 1}, {122, 122, 62});

  for (int i = 0; i < 100; ++i) StepVolumeView(view, '+', info);
  ExpectBox(ViewedBox(view, info), {60, 60, 30}, {8, 8, 4});  // one step wide, centred
  for (int i = 0; i < 100; ++i) StepVolumeView(view, '4', info);
  ExpectBox(ViewedBox(view, info), {0, 60, 30}, {8, 8, 4});
  for (int i = 0; i < 100; ++i) StepVolumeView(view, '6', info);
  ExpectBox(ViewedBox(view, info), {120, 60, 30}, {8, 8, 4});
  for (int i = 0; i < 100; ++i) StepVolumeView(view, '-', info);
  ExpectBox(ViewedBox(view, info), {0, 0, 0}, {128, 128, 64});
}
