#include "app/screenshot.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/png_file.h"

namespace {

std::string gScreenshotPath;
int gFramesDrawn = 0;

// Everything is uploaded before the first frame, but some X servers show
// the window only after its first expose: the second frame is surely on it.
constexpr int kFramesBeforeScreenshot = 2;

}  // namespace

void RequestScreenshot(const std::string& path) { gScreenshotPath = path; }

void TakeRequestedScreenshot() {
  if (gScreenshotPath.empty() || ++gFramesDrawn < kFramesBeforeScreenshot) return;
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  const int32_t width = viewport[2];
  const int32_t height = viewport[3];
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(viewport[0], viewport[1], width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  // GL's rows run bottom-up, PNG's top-down.
  std::vector<uint8_t> rows(pixels.size());
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int32_t y = 0; y < height; ++y) {
    std::copy_n(&pixels[static_cast<size_t>(height - 1 - y) * rowBytes], rowBytes,
                &rows[static_cast<size_t>(y) * rowBytes]);
  }
  const std::string failure = WritePng(gScreenshotPath, width, height, rows.data());
  if (!failure.empty()) {
    std::fprintf(stderr, "%s: cannot write the screenshot: %s\n", gScreenshotPath.c_str(),
                 failure.c_str());
    std::exit(1);
  }
  std::printf("Screenshot written to %s\n", gScreenshotPath.c_str());
  std::exit(0);
}
