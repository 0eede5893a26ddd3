#include "transfer/transfer_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "transfer/cubic_spline.h"

namespace {

// The panel position picks the control point set; every channel is edited in turn.
TEST(TransferEditor, EditSetsThePointAtThePositionAndSamplesTheNaturalSplineClampedEvery0_04) {
  const int cases[][2] = {{300, 9}, {243, 9}, {242, 8}, {-5, 0}, {26, 0}, {27, 1}};  // {x, point}
  const int32_t count = TransferEditor::kControlPoints;
  for (const auto& c : cases) {
    const int channel = (&c - cases) % 4;
    double y[10] = {0, 40, 230, 90, 300, 30, 120, 260, -60, 80};  // above 255 and below 0
    TransferEditor editor, expected;
    editor.channel = channel;
    std::copy(y, y + count, editor.controlY);
    editor.Edit(c[0], 77);
    y[c[1]] = 77;
    ASSERT_TRUE(std::equal(y, y + count, editor.controlY)) << "x=" << c[0];
    // The initial table but for entries 0..254 of the edited channel.
    CubicSpline natural(editor.controlX, y, &count);
    int32_t hint = 0;
    for (int i = 0; i < kTransferEntries - 1; ++i) {
      const double at = i * 0.04, v = std::clamp(natural.Evaluate(&at, &hint), 0.0, 255.0);
      expected.table[i][channel] = static_cast<float>(v / 255);
    }
    ASSERT_EQ(std::memcmp(editor.table, expected.table, sizeof editor.table), 0) << "x=" << c[0];
  }
}

// The editor starts from the start-up table, pinned at a few entries.
TEST(TransferEditor, StartsFromTheInitialTableAndNextChannelReloadsControlValues) {
  TransferEditor editor;
  const float known[][5] = {{1, 0.9950042f, 0.0099499f, 0.0249974f, 0.0039216f},
                            {16, -0.0291995f, -0.0046520f, 0.3894183f, 0.0627451f},
                            {255, 0.9333151f, 0.5204946f, 0.0916857f, 1.0f}};
  for (const auto& k : known)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(editor.table[static_cast<int>(k[0])][c], k[1 + c], 2e-6);
  for (int expected : {1, 2, 3, 0}) {
    editor.NextChannel();
    ASSERT_EQ(editor.channel, expected);
    // Not clamped on reload: blue dips below 0 from point 6 on.
    for (int k = 0; k < TransferEditor::kControlPoints; ++k)
      EXPECT_NEAR(editor.controlY[k], 255.0 * editor.table[25 * k][expected], 1e-4) << k;
  }
}

}  // namespace
