#include "transfer/transfer_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Only entries 0..254 of `channel` (none for -1) may differ from the initial table.
void ExpectOthersUntouched(const TransferEditor& editor, int channel) {
  float initial[kTransferEntries][4];
  FillInitialTransferTable(&initial[0][0]);
  for (int i = 0; i < kTransferEntries; ++i) {
    for (int c = 0; c < 4; ++c) {
      if (c == channel && i < 255) continue;
      ASSERT_EQ(editor.table[i][c], initial[i][c]) << i << "," << c;
    }
  }
}

TEST(TransferEditor, StartsFromTheSharedTable) {
  TransferEditor editor;
  EXPECT_EQ(editor.channel, 0);
  ExpectOthersUntouched(editor, -1);
  EXPECT_LT(editor.table[20][0], 0.0f);  // negative values are kept
  for (int k = 0; k < TransferEditor::kControlPoints; ++k) {
    EXPECT_EQ(editor.controlX[k], k);
    EXPECT_EQ(editor.controlY[k], k);
  }
  EXPECT_EQ(editor.Table(), &editor.table[0][0]);
  EXPECT_EQ(gTransferEditor.table[255][3], editor.table[255][3]);
}

TEST(TransferEditor, PanelPositionSelectsControlPoint) {
  const struct { int x, point; } cases[] = {{300, 9}, {255, 9}, {243, 9}, {242, 8}, {-5, 0}, {0, 0}, {26, 0}, {27, 1}, {54, 2}};
  for (const auto& c : cases) {
    TransferEditor editor;
    editor.Edit(c.x, 77);
    for (int k = 0; k < TransferEditor::kControlPoints; ++k)
      EXPECT_EQ(editor.controlY[k], k == c.point ? 77.0 : k) << "x=" << c.x << " k=" << k;
  }
}

TEST(TransferEditor, FlatControlValuesGiveAFlatChannelClampedToUnitRange) {
  for (int value : {0, 100, 255, 400, -50}) {
    const float expected =
        static_cast<float>(std::clamp(value, 0, 255) * 0.00392156862745098);  // 1/255
    for (int channel = 0; channel < 4; ++channel) {
      TransferEditor editor;
      editor.channel = channel;
      std::fill(std::begin(editor.controlY), std::end(editor.controlY), value);
      editor.Edit(140, value);
      for (int i = 0; i < kTransferEntries - 1; ++i)
        ASSERT_EQ(editor.table[i][channel], expected) << value << " " << channel << " " << i;
      ExpectOthersUntouched(editor, channel);
    }
  }
}

TEST(TransferEditor, FirstEditUsesStartControlValuesAndAnUndefinedCurveBecomesZero) {
  TransferEditor editor;
  editor.Edit(4 * 27 + 3, 200);
  EXPECT_NEAR(editor.table[100][0], 200.0 / 255.0, 1e-6);
  for (int k : {0, 1, 2, 7, 8, 9}) EXPECT_NEAR(editor.table[25 * k][0], k / 255.0, 1e-6) << k;

  editor.controlY[3] = std::numeric_limits<double>::quiet_NaN();
  editor.Edit(255, 200);
  for (int i = 0; i < 255; ++i) ASSERT_EQ(editor.table[i][0], 0.0f) << i;
}

TEST(TransferEditor, NextChannelCyclesAndReloadsControlValues) {
  TransferEditor editor;
  for (int expected : {1, 2, 3, 0}) {
    editor.NextChannel();
    ASSERT_EQ(editor.channel, expected);
    for (int k = 0; k < TransferEditor::kControlPoints; ++k)
      EXPECT_NEAR(editor.controlY[k], 255.0 * editor.table[25 * k][expected], 1e-4) << expected << k;
  }
  EXPECT_NEAR(editor.controlY[2], 255.0 * std::cos(5.0), 1e-4);  // red dips: not clamped on reload
  // Reloaded values reproduce the channel at the control points on the next edit.
  editor.Edit(1, static_cast<int>(editor.controlY[0]));
  EXPECT_NEAR(editor.table[25][0], std::max(0.0, std::cos(2.5)), 1e-5);
  EXPECT_NEAR(editor.table[75][0], std::max(0.0, std::cos(7.5)), 1e-5);
}

}  // namespace
