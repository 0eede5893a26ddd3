#include "transfer/transfer_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "transfer/cubic_spline.h"

namespace {

TEST(TransferEditor, PanelPositionSelectsControlPoint) {
  const int cases[][2] = {{300, 9}, {243, 9}, {242, 8}, {-5, 0}, {26, 0}, {27, 1}};  // {x, point}
  for (const auto& c : cases) {
    TransferEditor editor;
    editor.Edit(c[0], 77);
    for (int k = 0; k < TransferEditor::kControlPoints; ++k)
      EXPECT_EQ(editor.controlY[k], k == c[1] ? 77.0 : k) << "x=" << c[0] << " k=" << k;
  }
}

TEST(TransferEditor, EditSamplesTheNaturalSplineEvery0_04AndClampsItToTheUnitRange) {
  const double y[10] = {0, 40, 230, 90, 300, 30, 120, 260, -60, 80};  // runs above 255 and below 0
  const int32_t count = TransferEditor::kControlPoints;
  float initial[kTransferEntries][4];
  FillInitialTransferTable(&initial[0][0]);
  for (int channel = 0; channel < 4; ++channel) {
    TransferEditor editor;
    editor.channel = channel;
    std::copy(y, y + count, editor.controlY);
    editor.Edit(4 * 27, 300);
    CubicSpline natural(editor.controlX, y, &count);
    int32_t hint = 0;
    for (int i = 0; i < kTransferEntries - 1; ++i) {
      const double at = i * 0.04, v = std::clamp(natural.Evaluate(&at, &hint), 0.0, 255.0);
      ASSERT_EQ(editor.table[i][channel], static_cast<float>(v / 255)) << channel << " " << i;
    }
    // Only entries 0..254 of the edited channel change.
    for (int i = 0; i < 4 * kTransferEntries; ++i)
      ASSERT_TRUE((i % 4 == channel && i < 4 * 255) ||
                  editor.table[i / 4][i % 4] == initial[i / 4][i % 4]) << i;
  }
}

TEST(TransferEditor, NextChannelCyclesAndReloadsControlValues) {
  TransferEditor editor;
  for (int expected : {1, 2, 3, 0}) {
    editor.NextChannel();
    ASSERT_EQ(editor.channel, expected);
    for (int k = 0; k < TransferEditor::kControlPoints; ++k)
      EXPECT_NEAR(editor.controlY[k], 255.0 * editor.table[25 * k][expected], 1e-4) << k;
  }
  EXPECT_NEAR(editor.controlY[2], 255.0 * std::cos(5.0), 1e-4);  // red dips: not clamped on reload
}

}  // namespace
