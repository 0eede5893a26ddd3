#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "render/detail_controller.h"

namespace {

// A machine whose frame costs `perSlice` ms per slice at full viewport,
// plus a fixed `overheadMs`.
struct Machine {
  double perSlice, overheadMs;
  double FrameMs(const Detail& d) const {
    return overheadMs + perSlice * d.slices * d.viewportScale * d.viewportScale;
  }
};

// Draws `frames` interactive frames; returns the details used, in order.
std::vector<Detail> Interact(DetailController& controller, const Machine& machine, int frames,
                             double noise = 0.0) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> jitter(1.0 - noise, 1.0 + noise);
  std::vector<Detail> used;
  for (int i = 0; i < frames; ++i) {
    const Detail d = controller.Next();
    used.push_back(d);
    controller.Measured(d, machine.FrameMs(d) * jitter(random));
  }
  return used;
}

int Changes(const std::vector<Detail>& used) {
  int changes = 0;
  for (size_t i = 1; i < used.size(); ++i) changes += used[i].slices != used[i - 1].slices;
  return changes;
}

TEST(DetailController, ConvergesFromAboveWithoutOvershootingAndHoldsUnderNoise) {
  // 0.2 ms per slice and 6 ms fixed: 300 slices meet 66 ms.
  DetailController controller({1000});
  const Machine machine{0.2, 6.0};
  const std::vector<Detail> used = Interact(controller, machine, 30);
  EXPECT_EQ(used.front().slices, 1000);
  for (size_t i = 1; i < used.size(); ++i) {
    ASSERT_LE(used[i].slices, used[i - 1].slices) << "frame " << i;
    ASSERT_GE(used[i].slices, 300) << "frame " << i;
    ASSERT_EQ(used[i].viewportScale, 1.0f);
  }
  EXPECT_LE(used.back().slices, 330);
  EXPECT_LE(machine.FrameMs(used.back()), 66.0 * 1.1);

  // Times off by up to 5% either way: the count stays put.
  const std::vector<Detail> noisy = Interact(controller, machine, 200, 0.05);
  EXPECT_LE(Changes(noisy), 2);
}

TEST(DetailController, ClimbsBackWhenFramesGetCheaperButNeverAboveFull) {
  DetailController controller({1000});
  Interact(controller, {0.4, 2.0}, 30);
  ASSERT_LT(controller.Next().slices, 200);
  // Zoomed out: a quarter of the cost. From below, again one way only.
  const std::vector<Detail> used = Interact(controller, {0.1, 2.0}, 30);
  for (size_t i = 1; i < used.size(); ++i) ASSERT_GE(used[i].slices, used[i - 1].slices);
  EXPECT_GE(used.back().slices, 580);
  EXPECT_LE(used.back().slices, 640);
  // A fast machine: full detail, whatever the target leaves room for.
  Interact(controller, {0.001, 0.5}, 30);
  EXPECT_EQ(controller.Next().slices, 1000);
  EXPECT_EQ(controller.Next().viewportScale, 1.0f);
}

TEST(DetailController, ShrinksTheViewportBelowTheSliceFloorDownToItsOwnFloor) {
  // 64 slices take 160 ms at full viewport: a scale of about 0.64 meets 66 ms.
  DetailController controller({500});
  Interact(controller, {2.5, 0.0}, 40);
  EXPECT_EQ(controller.Next().slices, 64);
  EXPECT_NEAR(controller.Next().viewportScale, 0.64, 0.04);
  // Slower still: the scale stops at its floor.
  Interact(controller, {25.0, 0.0}, 40);
  EXPECT_EQ(controller.Next().slices, 64);
  EXPECT_EQ(controller.Next().viewportScale, 0.5f);
}

TEST(DetailController, StillFramesAndSliceKeysFeedTheSameEstimate) {
  DetailController controller({1000});
  // One still frame at full detail took 200 ms: about a third of it next.
  controller.Measured({1000, 1.0f}, 200.0);
  EXPECT_EQ(controller.Next().slices, 330);
  controller.Measured({330, 1.0f}, 0.0);  // no time: ignored
  EXPECT_EQ(controller.Next().slices, 330);
  // The user asks for 200 slices: below what the target allows.
  controller.SetFullSlices(200);
  EXPECT_EQ(controller.Next().slices, 200);
  controller.SetFullSlices(2000);
  EXPECT_EQ(controller.Next().slices, 330);
}

}  // namespace
