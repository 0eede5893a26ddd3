#include "app/screenshot.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "app/png_file.h"
#include "files/escaped_name.h"

namespace {

std::string gScreenshotPath;
int gScreenshotCount = 0;
int gScreenshotsTaken = 0;
int gFramesDrawn = 0;
std::string gSaveNext;  // one picture, after which the viewer goes on

// Everything is uploaded before the first frame, but some X servers show
// the window only after its first expose: the second frame is surely on it.
constexpr int kFramesBeforeScreenshot = 2;
// Turntable frames compress to about an eighth of their raw RGB (a turn of
// 3600 frames at 2048x2048 took 5.4 GB): the disk they are expected to need.
constexpr double kPngShareOfRaw = 0.125;

}  // namespace

void RequestScreenshot(const std::string& path, int count) {
  gScreenshotPath = path;
  gScreenshotCount = count;
}

int ScreenshotsTaken() { return gScreenshotsTaken; }

bool ScreenshotsPending() { return !gScreenshotPath.empty() && gScreenshotsTaken < gScreenshotCount; }

std::string TurntableFramePath(const std::string& path, int frame, int frames) {
  const int digits = std::max(3, static_cast<int>(std::to_string(std::max(frames - 1, 0)).size()));
  char number[24];
  std::snprintf(number, sizeof number, "_%0*d", digits, frame);
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  if (!hasExtension) return path + number;
  return path.substr(0, dot) + number + path.substr(dot);
}

std::string PictureOutputProblem(const std::string& path, int frames, std::array<int, 2> size) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  struct stat status {};
  if (stat(folder.c_str(), &status) != 0) return EscapedName(folder) + ": " + std::strerror(errno);
  if (!S_ISDIR(status.st_mode)) return EscapedName(folder) + ": not a folder";
  if (access(folder.c_str(), W_OK | X_OK) != 0) return EscapedName(folder) + ": " + std::strerror(errno);
  // A file in a picture's place that cannot be replaced is found now, not
  // after the load and as many frames as come before it.
  for (int frame = 0; frame < frames; ++frame) {
    const std::string target = frames > 1 ? TurntableFramePath(path, frame, frames) : path;
    if (stat(target.c_str(), &status) != 0) continue;
    if (S_ISDIR(status.st_mode)) return EscapedName(target) + ": is a folder";
    if (!S_ISREG(status.st_mode)) return EscapedName(target) + ": not a regular file";
    if (access(target.c_str(), W_OK) != 0) return EscapedName(target) + ": " + std::strerror(errno);
  }
  struct statvfs disk {};
  if (frames > 1 && statvfs(folder.c_str(), &disk) == 0) {
    const double needed = kPngShareOfRaw * frames * 3.0 * size[0] * size[1];
    const double free = static_cast<double>(disk.f_bavail) * disk.f_frsize;
    if (needed > free) {
      char line[160];
      std::snprintf(line, sizeof line, ": %d frames of %dx%d need about %.0f MB, %.0f MB free", frames, size[0],
                    size[1], std::ceil(needed / 1e6), std::floor(free / 1e6));
      return EscapedName(folder) + line;
    }
  }
  return "";
}

void SaveNextFrame(const std::string& path) { gSaveNext = path; }

std::string NextNumberedPicture(const std::string& stem) {
  for (int number = 1;; ++number) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%03d.png", stem.c_str(), number);
    if (!std::filesystem::exists(name)) return name;
  }
}

namespace {

// The frame just drawn, from the back buffer; an empty text or why not.
std::string WriteFrame(const std::string& path) {
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
  return WritePng(path, width, height, rows.data());
}

}  // namespace

void TakeRequestedScreenshot() {
  if (!gSaveNext.empty()) {
    const std::string failure = WriteFrame(gSaveNext);
    if (failure.empty()) {
      std::printf("Screenshot written to %s\n", EscapedName(gSaveNext).c_str());
    } else {
      std::fprintf(stderr, "%s: cannot write the screenshot: %s\n", EscapedName(gSaveNext).c_str(), failure.c_str());
    }
    gSaveNext.clear();
  }
  if (gScreenshotPath.empty() || ++gFramesDrawn < kFramesBeforeScreenshot) return;
  const std::string path = gScreenshotCount > 1
                               ? TurntableFramePath(gScreenshotPath, gScreenshotsTaken, gScreenshotCount)
                               : gScreenshotPath;
  const std::string failure = WriteFrame(path);
  if (!failure.empty()) {
    std::fprintf(stderr, "%s: cannot write the screenshot: %s\n", EscapedName(path).c_str(), failure.c_str());
    std::exit(1);
  }
  std::printf("Screenshot written to %s\n", EscapedName(path).c_str());
  if (++gScreenshotsTaken >= gScreenshotCount) std::exit(0);
}
