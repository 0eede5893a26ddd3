// Draws the editor into a window with the program's projection and reads the
// frame back.
#include "transfer/transfer_editor.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <vector>
#include "tests/support/gl_window.h"

namespace {

constexpr int kSize = 500;

struct Pixel {
  int r, g, b;
};

class EditorDrawTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    OpenGlWindow("editor", kSize, kSize);
  }

  // Flat curves at known heights, so each one is a horizontal line.
  void SetUp() override {
    for (auto& entry : editor.table) {
      entry[0] = 0.25f;
      entry[1] = 0.5f;
      entry[2] = 0.75f;
      entry[3] = 0.9f;
    }
  }

  void Render() {
    glViewport(0, 0, kSize, kSize);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 1.0, 0.1, 400.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    editor.Draw();
    glFinish();
    frame.assign(kSize * kSize * 3, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
  }

  // Window coordinates with y counted from the top, as the mouse sees them.
  Pixel At(int x, int yFromTop) const {
    const size_t i = 3 * (static_cast<size_t>(kSize - 1 - yFromTop) * kSize + x);
    return {frame[i], frame[i + 1], frame[i + 2]};
  }

  static bool IsPanel(Pixel p) { return p.r == 0 && p.g == 0 && p.b >= 10 && p.b <= 16; }

  // Rows of column x, between two rows, whose colour is pure red.
  int RedRows(int x, int fromRow, int toRow) const {
    int count = 0;
    for (int y = fromRow; y <= toRow; ++y) {
      const Pixel p = At(x, y);
      if (p.r > 200 && p.g < 50 && p.b < 50) ++count;
    }
    return count;
  }

  TransferEditor editor;
  std::vector<unsigned char> frame;
};

TEST_F(EditorDrawTest, PanelSitsInUpperRightQuarter) {
  Render();
  // Half-transparent (0, 0, 0.1) over black.
  EXPECT_TRUE(IsPanel(At(300, 220)));
  EXPECT_TRUE(IsPanel(At(252, 247)));   // near the lower-left corner
  EXPECT_TRUE(IsPanel(At(488, 12)));    // near the upper-right corner
  const Pixel outside[] = {At(247, 247), At(252, 253), At(493, 12), At(488, 6), At(100, 400)};
  for (const Pixel& p : outside) {
    EXPECT_EQ(p.r + p.g + p.b, 0);
  }
}

TEST_F(EditorDrawTest, CurvesAreDrawnAtTheirHeights) {
  Render();
  // y = 250 - value * 240.6 (panel height in pixels).
  const struct {
    int row;
    Pixel colour;
  } lines[] = {{190, {255, 0, 0}}, {130, {0, 255, 0}}, {70, {0, 0, 255}}, {33, {204, 204, 204}}};
  for (const auto& line : lines) {
    bool found = false;
    for (int y = line.row - 3; y <= line.row + 3; ++y) {
      const Pixel p = At(370, y);
      found = found || (p.r == line.colour.r && p.g == line.colour.g && p.b == line.colour.b);
    }
    EXPECT_TRUE(found) << "row " << line.row;
  }
}

TEST_F(EditorDrawTest, EditedChannelIsDrawnThicker) {
  Render();
  const int redRowsWhenEdited = RedRows(370, 180, 200);
  editor.channel = 1;
  Render();
  const int redRowsOtherwise = RedRows(370, 180, 200);
  EXPECT_GE(redRowsWhenEdited, 2);
  EXPECT_EQ(redRowsOtherwise, 1);
  EXPECT_GT(redRowsWhenEdited, redRowsOtherwise);
}

TEST_F(EditorDrawTest, LeavesItsStateBehind) {
  editor.channel = 3;
  Render();
  GLfloat width = 0.0f;
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(width, 2.0f);
  editor.channel = 0;
  Render();
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(width, 1.0f);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[0], 0.8f);
  EXPECT_FLOAT_EQ(colour[3], 1.0f);
}

}  // namespace
