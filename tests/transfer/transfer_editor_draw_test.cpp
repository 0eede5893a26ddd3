// Draws the editor into a window with the program's projection and reads the
// frame back.
#include "transfer/transfer_editor.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/gl_window.h"

namespace {

constexpr int kSize = 500;
constexpr float kLevels[4] = {0.25f, 0.5f, 0.75f, 0.9f};

struct Pixel {
  int r, g, b;
  bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct Frame {
  explicit Frame(const TransferEditor& editor) : rgb(kSize * kSize * 3) {
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 1.0, 0.1, 400.0);
    glMatrixMode(GL_MODELVIEW);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    editor.Draw();
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  }
  // Window coordinates with y counted from the top, as the mouse sees them.
  Pixel At(int x, int yFromTop) const {
    const size_t i = 3 * (static_cast<size_t>(kSize - 1 - yFromTop) * kSize + x);
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
  // Rows of column 370 around the red line that are pure red.
  int RedRows() const {
    int count = 0;
    for (int y = 180; y <= 200; ++y) count += At(370, y) == Pixel{255, 0, 0};
    return count;
  }
  std::vector<unsigned char> rgb;
};

TEST(EditorDrawTest, PanelInUpperRightQuarterCurvesAtTheirHeightsEditedOneThicker) {
  OpenGlWindow("editor", kSize, kSize);
  TransferEditor editor;
  for (auto& entry : editor.table) std::copy(kLevels, kLevels + 4, entry);  // flat curves
  const Frame frame(editor);
  // Half-transparent (0, 0, 0.1) over black, near the lower-left and upper-right corners.
  for (const Pixel& p : {frame.At(300, 220), frame.At(252, 247), frame.At(488, 12)})
    EXPECT_TRUE(p.r == 0 && p.g == 0 && p.b >= 10 && p.b <= 16) << p.b;
  for (const Pixel& p : {frame.At(247, 247), frame.At(252, 253), frame.At(493, 12),
                         frame.At(488, 6), frame.At(100, 400)})
    EXPECT_EQ(p.r + p.g + p.b, 0);
  // y = 250 - value * 240.6 (panel height in pixels).
  const Pixel colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {204, 204, 204}};
  for (int c = 0; c < 4; ++c) {
    const int row = static_cast<int>(250 - kLevels[c] * 240.6);
    bool found = false;
    for (int y = row - 3; y <= row + 3; ++y) found = found || frame.At(370, y) == colours[c];
    EXPECT_TRUE(found) << "channel " << c;
  }
  EXPECT_GE(frame.RedRows(), 2);  // the edited channel is drawn thicker

  editor.channel = 3;
  EXPECT_EQ(Frame(editor).RedRows(), 1);
}

}  // namespace
