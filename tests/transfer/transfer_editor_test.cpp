#include "transfer/transfer_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kInverse255 = 0.00392156862745098;

float Scaled(double value) { return static_cast<float>(value * kInverse255); }

struct InitialTable {
  float values[kTransferEntries][4];
  InitialTable() { FillInitialTransferTable(&values[0][0]); }
};

TEST(TransferEditor, StartsFromTheSharedTable) {
  TransferEditor editor;
  InitialTable initial;
  EXPECT_EQ(editor.channel, 0);
  for (int i = 0; i < kTransferEntries; ++i) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(editor.table[i][c], initial.values[i][c]);
  }
  EXPECT_LT(editor.table[20][0], 0.0f);  // negative values are kept
  for (int k = 0; k < TransferEditor::kControlPoints; ++k) {
    EXPECT_EQ(editor.controlX[k], k);
    EXPECT_EQ(editor.controlY[k], k);
  }
  EXPECT_EQ(editor.Table(), &editor.table[0][0]);
  EXPECT_EQ(gTransferEditor.table[255][3], initial.values[255][3]);
}

TEST(TransferEditor, PanelPositionSelectsControlPoint) {
  const struct {
    int x;
    int point;
  } cases[] = {{300, 9}, {255, 9}, {243, 9}, {242, 8}, {-5, 0}, {0, 0}, {26, 0}, {27, 1}, {53, 1}, {54, 2}};
  for (const auto& c : cases) {
    TransferEditor editor;
    editor.Edit(c.x, 77);
    for (int k = 0; k < TransferEditor::kControlPoints; ++k) {
      EXPECT_EQ(editor.controlY[k], k == c.point ? 77.0 : k) << "x=" << c.x << " k=" << k;
    }
  }
}

TEST(TransferEditor, FlatControlValuesGiveFlatChannel) {
  for (int value : {0, 100, 255}) {
    for (int channel = 0; channel < 4; ++channel) {
      TransferEditor editor;
      InitialTable initial;
      editor.channel = channel;
      for (double& y : editor.controlY) y = value;
      editor.Edit(140, value);
      for (int i = 0; i < kTransferEntries - 1; ++i) {
        ASSERT_EQ(editor.table[i][channel], Scaled(value)) << i;
      }
      for (int i = 0; i < kTransferEntries; ++i) {
        for (int c = 0; c < 4; ++c) {
          if (c != channel || i == 255) {
            ASSERT_EQ(editor.table[i][c], initial.values[i][c]) << i << "," << c;
          }
        }
      }
    }
  }
}

TEST(TransferEditor, CurveIsClampedToUnitRange) {
  TransferEditor editor;
  for (double& y : editor.controlY) y = 400.0;
  editor.Edit(0, 400);
  for (int i = 0; i < 255; ++i) ASSERT_EQ(editor.table[i][0], 1.0f) << i;

  for (double& y : editor.controlY) y = -50.0;
  editor.Edit(0, -50);
  for (int i = 0; i < 255; ++i) ASSERT_EQ(editor.table[i][0], 0.0f) << i;

  // One point far out of range: the curve is cut at both ends of the scale.
  TransferEditor spike;
  for (double& y : spike.controlY) y = 128.0;
  spike.Edit(5 * 27, 400);
  EXPECT_EQ(spike.table[125][0], 1.0f);
  spike.Edit(5 * 27, -50);
  EXPECT_EQ(spike.table[125][0], 0.0f);
  for (int i = 0; i < 255; ++i) {
    ASSERT_GE(spike.table[i][0], 0.0f);
    ASSERT_LE(spike.table[i][0], 1.0f);
  }
}

TEST(TransferEditor, UndefinedCurveBecomesZero) {
  TransferEditor editor;
  editor.controlY[3] = std::numeric_limits<double>::quiet_NaN();
  editor.Edit(255, 200);
  for (int i = 0; i < 255; ++i) ASSERT_EQ(editor.table[i][0], 0.0f) << i;
}

TEST(TransferEditor, FirstEditUsesStartControlValues) {
  TransferEditor editor;
  editor.Edit(4 * 27 + 3, 200);
  EXPECT_NEAR(editor.table[100][0], 200.0 / 255.0, 1e-6);
  // The other points still hold 0..9, so red collapses towards zero.
  for (int k : {0, 1, 2, 7, 8, 9}) {
    EXPECT_NEAR(editor.table[25 * k][0], k / 255.0, 1e-6) << k;
  }
  for (int i = 200; i < 255; ++i) EXPECT_LT(editor.table[i][0], 0.1f) << i;
  EXPECT_EQ(editor.table[255][0], static_cast<float>(std::cos(25.5)));
}

TEST(TransferEditor, NextChannelCyclesAndReloadsControlValues) {
  TransferEditor editor;
  const int expected[] = {1, 2, 3, 0};
  for (int step = 0; step < 4; ++step) {
    editor.NextChannel();
    ASSERT_EQ(editor.channel, expected[step]);
    for (int k = 0; k < TransferEditor::kControlPoints; ++k) {
      EXPECT_NEAR(editor.controlY[k], 255.0 * editor.table[25 * k][editor.channel], 1e-4)
          << "channel " << editor.channel << " k " << k;
    }
  }
  EXPECT_NEAR(editor.controlY[2], 255.0 * std::cos(5.0), 1e-4);
  EXPECT_LT(editor.controlY[2], 255.0);  // red dips: not clamped on reload
  // Reloaded values reproduce the channel at the control points on the next edit.
  editor.Edit(1, static_cast<int>(editor.controlY[0]));
  EXPECT_NEAR(editor.table[25][0], std::max(0.0, std::cos(2.5)), 1e-5);
  EXPECT_NEAR(editor.table[75][0], std::max(0.0, std::cos(7.5)), 1e-5);
}

}  // namespace
