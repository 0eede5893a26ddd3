// Draws the editor into a window with the program's projection and reads the
// frame back.
#include "transfer/transfer_editor.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "tests/support/gl_window.h"

namespace {

constexpr int kSize = 500;

// The frame's pixels, looked up with y counted from the top as the mouse sees them.
struct Frame {
  explicit Frame(const TransferEditor& editor) : rgb(kSize * kSize * 3) {
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    editor.Draw();
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  }
  std::array<int, 3> At(int x, int y) const {
    const unsigned char* p = &rgb[3 * (static_cast<size_t>(kSize - 1 - y) * kSize + x)];
    return {p[0], p[1], p[2]};
  }
  int RedRows() const {  // pure red rows of column 370 about the red curve
    int count = 0;
    for (int y = 180; y <= 200; ++y) count += At(370, y) == std::array<int, 3>{255, 0, 0};
    return count;
  }
  std::vector<unsigned char> rgb;
};

TEST(EditorDrawTest, PanelInUpperRightQuarterCurvesAtTheirHeightsEditedOneThicker) {
  OpenGlWindow("editor", kSize, kSize);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(60.0, 1.0, 0.1, 400.0);
  glMatrixMode(GL_MODELVIEW);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const float levels[4] = {0.25f, 0.5f, 0.75f, 0.9f};
  TransferEditor editor;
  for (auto& entry : editor.table) std::copy(levels, levels + 4, entry);  // flat curves
  const Frame frame(editor);
  // Half-transparent (0, 0, 0.1) over black inside the corners of the panel, black outside.
  for (const auto p : {frame.At(252, 247), frame.At(488, 12)})
    EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] >= 10 && p[2] <= 16) << p[2];
  for (const auto p : {frame.At(247, 247), frame.At(252, 253), frame.At(493, 12), frame.At(488, 6)})
    EXPECT_EQ(p[0] + p[1] + p[2], 0);
  const std::array<int, 3> colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {204, 204, 204}};
  for (int c = 0; c < 4; ++c) {
    const int row = static_cast<int>(250 - levels[c] * 240.6);  // panel height in pixels
    bool found = false;
    for (int y = row - 3; y <= row + 3; ++y) found = found || frame.At(370, y) == colours[c];
    EXPECT_TRUE(found) << "channel " << c;
  }
  EXPECT_GE(frame.RedRows(), 2);
  editor.channel = 3;
  EXPECT_EQ(Frame(editor).RedRows(), 1);
}

}  // namespace
