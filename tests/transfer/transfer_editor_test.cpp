#include "transfer/transfer_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "transfer/cubic_spline.h"

namespace {

// Only entries 0..254 of `channel` may differ from the initial table.
void ExpectOthersUntouched(const TransferEditor& editor, int channel) {
  float initial[kTransferEntries][4];
  FillInitialTransferTable(&initial[0][0]);
  for (int i = 0; i < kTransferEntries; ++i)
    for (int c = 0; c < 4; ++c)
      ASSERT_TRUE((c == channel && i < 255) || editor.table[i][c] == initial[i][c]) << i << ',' << c;
}

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
    ExpectOthersUntouched(editor, channel);
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
