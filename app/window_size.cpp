#include "app/window_size.h"

#include <GL/freeglut.h>

#include <cstdio>

#include "files/file_checks.h"

namespace {

constexpr double kBytesPerPixel = 21.0;

std::string Size(std::array<int, 2> size) { return std::to_string(size[0]) + "x" + std::to_string(size[1]); }

}  // namespace

std::string WindowMemoryProblem(std::array<int, 2> size) { return WindowMemoryProblem(size, MemoryAvailable()); }

std::string WindowMemoryProblem(std::array<int, 2> size, uint64_t available) {
  const double needed = kBytesPerPixel * size[0] * size[1];
  if (needed <= static_cast<double>(available)) return "";
  char line[160];
  std::snprintf(line, sizeof line, "a %s window needs about %.1f GB, %.1f GB free", Size(size).c_str(),
                needed / 1e9, available / 1e9);
  return line;
}

std::string WindowDrawableProblem(std::array<int, 2> size) {
  GLint largest[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
  if (size[0] > largest[0] || size[1] > largest[1]) {
    return "a " + Size(size) + " window is larger than this GL draws (" + Size({largest[0], largest[1]}) + ")";
  }
  const std::array<int, 2> got = {glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT)};
  if (got[0] < size[0] || got[1] < size[1]) {
    return "asked for a " + Size(size) + " window, got " + Size(got);
  }
  return "";
}
