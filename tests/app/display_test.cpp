#include "app/display.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "app/app_state.h"
#include "shell_fixture.h"

namespace {

using Display = ShellTest;

// Lowest window row (from the bottom) holding a pixel of exactly this colour.
int RowOf(const std::vector<unsigned char>& rgb, int width, int height, unsigned char r,
          unsigned char g, unsigned char b, int* count) {
  int row = -1;
  *count = 0;
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &rgb[3 * (y * width + x)];
      if (p[0] == r && p[1] == g && p[2] == b) {
        ++*count;
        row = y;
      }
    }
  }
  return row;
}

TEST_F(Display, ThreeByteLogoIsDrawnAsRgbRowsInTheLowerRight) {
  // Five pixels a row (15 bytes, not a multiple of 4), bottom row red, then green, then blue.
  unsigned char pixels[3][5][3] = {};
  for (int x = 0; x < 5; ++x) {
    pixels[0][x][0] = 255;
    pixels[1][x][1] = 255;
    pixels[2][x][2] = 255;
  }
  gLogo = TgaImage{3, 5, 3, &pixels[0][0][0]};
  ReshapeCallback(500, 500);
  DisplayCallback();
  gLogo = TgaImage{};

  const int left = 340, bottom = 15, width = 40, height = 25;
  std::vector<unsigned char> rgb(3 * width * height);
  glReadBuffer(GL_BACK);  // this driver keeps the back buffer across the swap
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(left, bottom, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  int reds = 0, greens = 0, blues = 0;
  const int red = RowOf(rgb, width, height, 255, 0, 0, &reds);
  const int green = RowOf(rgb, width, height, 0, 255, 0, &greens);
  const int blue = RowOf(rgb, width, height, 0, 0, 255, &blues);
  EXPECT_EQ(reds, 5);
  EXPECT_EQ(greens, 5);
  EXPECT_EQ(blues, 5);
  EXPECT_EQ(green, red + 1);
  EXPECT_EQ(blue, red + 2);
  // The corner projects from (60, -130, -250): near window pixel (354, 25).
  EXPECT_NEAR(bottom + red, 25, 1);
}

}  // namespace
