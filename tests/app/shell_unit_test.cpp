#include "app/frame_rate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/screenshot.h"
#include "app/volume_camera.h"
#include "app/text_wrap.h"

TEST(FrameRate, OneFrameInvertedAndTheSameMillisecondKeepsThePreviousRate) {
  EXPECT_DOUBLE_EQ(FrameRate(1040, 1000, 0.0), 25.0);
  EXPECT_DOUBLE_EQ(FrameRate(1000, 1000, 25.0), 25.0);
}

// However long the text, every character reaches the box, in lines that fit.
TEST(MessageText, WrapsLongLinesAndKeepsEveryCharacter) {
  std::string text = "short\r\n" + std::string(95, 'x') + "\n\n";
  for (int i = 0; i < 300; ++i) text += "word" + std::to_string(i) + (i % 40 == 39 ? "\n" : " ");
  const auto width = [](unsigned char c) { return c == ' ' ? 3 : 7; };
  const std::vector<std::string> lines = WrapText(text, 70, width);
  ASSERT_GT(lines.size(), 100u);
  std::string kept, expected;
  for (const std::string& line : lines) {
    int lineWidth = 0;
    for (unsigned char c : line) lineWidth += width(c);
    EXPECT_LE(lineWidth, 70) << line;
    kept += line;
  }
  for (char c : text)
    if (c != ' ' && c != '\n' && c != '\r') expected += c;
  kept.erase(std::remove(kept.begin(), kept.end(), ' '), kept.end());
  EXPECT_EQ(kept, expected);
  // The "\r" is dropped, the x's broken at the box's width, the empty line kept.
  EXPECT_EQ((std::vector<std::string>{lines[0], lines[1], lines[2], lines[11], lines[12], lines[13]}),
            (std::vector<std::string>{"short", "xxxxxxxxxx", "xxxxxxxxxx", "", "word0", "word1"}));
}

// Turntable pictures are numbered before the extension, never inside a
// folder's name; a folder that cannot take them is named with the reason.
TEST(Screenshots, TurntableNamesAndFolderProblems) {
  EXPECT_EQ(TurntableFramePath("frames/turn.png", 7, 36), "frames/turn_007.png");
  EXPECT_EQ(TurntableFramePath("turn.png", 7, 1001), "turn_0007.png");  // as wide as frame 1000
  EXPECT_EQ(TurntableFramePath("turn.png", 999, 1000), "turn_999.png");
  EXPECT_EQ(TurntableFramePath("a.b/turn", 0, 4), "a.b/turn_000");
  EXPECT_EQ(TurntableFramePath("frames/.png", 2, 4), "frames/.png_002");
  EXPECT_EQ(ScreenshotFolderProblem("shot.png"), "");
  EXPECT_EQ(ScreenshotFolderProblem("/no/such/turn.png"), "/no/such: No such file or directory");
  EXPECT_EQ(ScreenshotFolderProblem("/etc/hostname/turn.png"), "/etc/hostname: not a folder");
}

// A head faces the viewer; a lone slice or a thin slab is seen through,
// along its thin axis, whichever that is.
TEST(FacingView, FrontUnlessASliceOrThinSlab) {
  EXPECT_EQ(FacingView({128, 128, 64}, {1.5, 1.5, 3}), AnatomicalView::Anterior);
  EXPECT_EQ(FacingView({128, 96, 24}, {2, 2, 2.2}), AnatomicalView::Anterior);  // a fifth: a volume
  EXPECT_EQ(FacingView({128, 128, 1}, {0.66, 0.66, 1}), AnatomicalView::Superior);
  EXPECT_EQ(FacingView({64, 64, 1}, {1, 1, 10}), AnatomicalView::Superior);  // one voxel, however thick
  EXPECT_EQ(FacingView({256, 256, 8}, {1, 1, 2}), AnatomicalView::Superior);
  EXPECT_EQ(FacingView({1, 64, 64}, {5, 1, 1}), AnatomicalView::Left);
  EXPECT_EQ(FacingView({64, 2, 64}, {1, 1, 1}), AnatomicalView::Anterior);
}
