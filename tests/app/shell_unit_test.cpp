#include "app/frame_rate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "app/screenshot.h"
#include "app/text_wrap.h"
#include "app/volume_camera.h"
#include "app/window_size.h"

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
  const std::array<int, 2> small = {64, 64};
  EXPECT_EQ(PictureOutputProblem("shot.png", 1, small), "");
  EXPECT_EQ(PictureOutputProblem("/no/such/turn.png", 1, small), "/no/such: No such file or directory");
  EXPECT_EQ(PictureOutputProblem("/etc/hostname/turn.png", 1, small), "/etc/hostname: not a folder");
  // A frame's place taken by a folder, found before any frame is drawn.
  const std::string folder = testing::TempDir() + "turn";
  std::filesystem::create_directories(folder + "/turn_002.png");
  EXPECT_EQ(PictureOutputProblem(folder + "/turn.png", 4, small), folder + "/turn_002.png: is a folder");
  EXPECT_EQ(PictureOutputProblem(folder + "/turn.png", 2, small), "");
  // A long turn checks the disk first; a single picture is just tried.
  const std::string full = PictureOutputProblem(folder + "/big.png", 3600, {16384, 16384});
  EXPECT_EQ(full.rfind(folder + ": 3600 frames of 16384x16384 need about 362388 MB, ", 0), 0u) << full;
  EXPECT_EQ(PictureOutputProblem(folder + "/big.png", 1, {16384, 16384}), "");
}

TEST(WindowSize, RefusedWhenItsBuffersWouldNotFitInMemory) {
  EXPECT_EQ(WindowMemoryProblem({10000, 10000}, 2100000000), "");
  EXPECT_EQ(WindowMemoryProblem({10000, 10001}, 2100000000), "a 10000x10001 window needs about 2.1 GB, 2.1 GB free");
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
