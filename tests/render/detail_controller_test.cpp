#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "render/detail_controller.h"

namespace {

// A machine whose frame costs `perSlice` ms per slice at full viewport plus
// `fixedMs`, its times off by up to `noise` either way. Returns the slice
// counts of `frames` interactive frames, in order.
std::vector<int32_t> Interact(DetailController& controller, double perSlice, double fixedMs,
                              int frames = 30, double noise = 0.0) {
  std::vector<int32_t> used;
  for (int i = 0; i < frames; ++i) {
    const Detail d = controller.Next();
    used.push_back(d.slices);
    const double ms = fixedMs + perSlice * d.slices * d.viewportScale * d.viewportScale;
    controller.Measured(d, ms * (1.0 + noise * std::sin(1.7 * i)));
  }
  return used;
}

TEST(DetailController, ApproachesTheTargetFromOneSideAndHoldsUnderNoise) {
  // 300 slices meet 66 ms: reached from full detail above, never passed.
  DetailController controller({1000});
  std::vector<int32_t> used = Interact(controller, 0.2, 6.0);
  EXPECT_EQ(used.front(), 1000);
  EXPECT_TRUE(std::is_sorted(used.rbegin(), used.rend()));
  EXPECT_NEAR(used.back(), 315, 15);
  used = Interact(controller, 0.2, 6.0, 200, 0.05);
  EXPECT_LE(std::set<int32_t>(used.begin(), used.end()).size(), 3u);
  // Cheaper frames (zoomed out): 640 meet it, approached from below.
  used = Interact(controller, 0.1, 2.0);
  EXPECT_TRUE(std::is_sorted(used.begin(), used.end()));
  EXPECT_NEAR(used.back(), 610, 30);
  // A fast machine: full detail and never more.
  Interact(controller, 0.001, 0.5);
  EXPECT_EQ(controller.Next().slices, 1000);
}

TEST(DetailController, ShrinksTheViewportBelowTheSliceFloorDownToItsOwnFloor) {
  // 64 slices take 160 ms at full viewport: a scale of about 0.64 meets 66 ms.
  DetailController controller({500});
  Interact(controller, 2.5, 0.0, 40);
  EXPECT_EQ(controller.Next().slices, 64);
  EXPECT_NEAR(controller.Next().viewportScale, 0.64, 0.04);
  Interact(controller, 25.0, 0.0, 40);
  EXPECT_EQ(controller.Next().viewportScale, 0.5f);
}

TEST(DetailController, ASharpFloorKeepsItsShareOfTheSlicesAndItsScaleOverTheTarget) {
  DetailLimits sharp{200};
  sharp.minSliceShare = 0.75f;
  sharp.minScale = 0.8f;
  DetailController controller(sharp);
  // 2 ms a slice: 33 slices would meet 66 ms; the floor holds 150 at 0.8.
  Interact(controller, 2.0, 0.0, 40);
  EXPECT_EQ(controller.Next().slices, 150);
  EXPECT_EQ(controller.Next().viewportScale, 0.8f);
  // The share follows the still frame's count.
  controller.SetFullSlices(100);
  EXPECT_EQ(controller.Next().slices, 75);
}

TEST(DetailController, StillFramesAndSliceKeysFeedTheSameEstimate) {
  DetailController controller({1000});
  controller.Measured({1000, 1.0f}, 200.0);  // a still frame
  controller.Measured({330, 1.0f}, 0.0);     // no time: ignored
  EXPECT_EQ(controller.Next().slices, 330);
  controller.SetFullSlices(200);
  EXPECT_EQ(controller.Next().slices, 200);
  controller.SetFullSlices(2000);
  EXPECT_EQ(controller.Next().slices, 330);
}

}  // namespace
