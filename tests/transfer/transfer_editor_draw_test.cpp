// Draws the editor into a window with the program's projection and reads the
// frame back.
#include "transfer/transfer_editor.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "tests/support/gl_window.h"

namespace {

constexpr int kSize = 500;
using Rgb = std::array<int, 3>;

// Draws over black with the depth test on, as the volume leaves it, and
// returns the frame's pixels by (x, y), y counted from the top as the mouse sees them.
std::function<Rgb(int, int)> Draw(const TransferEditor& editor) {
  glEnable(GL_DEPTH_TEST);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  editor.Draw();
  std::vector<unsigned char> rgb(kSize * kSize * 3);
  glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return [rgb](int x, int y) {
    const unsigned char* p = &rgb[3 * ((kSize - 1 - y) * kSize + x)];
    return Rgb{p[0], p[1], p[2]};
  };
}

// Rows of column 370 within 3 of `row` that hold `colour`.
int RowsOf(const std::function<Rgb(int, int)>& at, const Rgb& colour, int row) {
  int count = 0;
  for (int y = row - 3; y <= row + 3; ++y) count += at(370, y) == colour;
  return count;
}

TEST(EditorDrawTest, PanelInUpperRightQuarterCurvesAtTheirHeightsEditedOneThicker) {
  OpenGlWindow("editor", kSize, kSize);
  glMatrixMode(GL_PROJECTION);
  gluPerspective(60.0, 1.0, 0.1, 400.0);
  glMatrixMode(GL_MODELVIEW);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const float levels[4] = {0.25f, 0.5f, 0.75f, 0.9f};
  const Rgb colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {204, 204, 204}};
  TransferEditor editor;
  for (auto& entry : editor.table) std::copy(levels, levels + 4, entry);  // flat curves
  for (int edited : {0, 3}) {
    editor.channel = edited;
    const auto at = Draw(editor);
    // Half-transparent (0, 0, 0.1) over black inside the corners of the panel, black outside.
    for (const Rgb p : {at(252, 247), at(488, 12)})
      EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] >= 10 && p[2] <= 16) << p[2];
    for (const Rgb p : {at(247, 247), at(252, 253), at(493, 12), at(488, 6)})
      EXPECT_EQ(p[0] + p[1] + p[2], 0);
    for (int c = 0; c < 4; ++c)  // the panel is 240.6 pixels high
      EXPECT_EQ(RowsOf(at, colours[c], static_cast<int>(250 - levels[c] * 240.6)), c == edited ? 2 : 1)
          << "channel " << c << " edited " << edited;
  }
}

}  // namespace
