#include "app/orientation_marker.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <array>

#include "app/overlay.h"

namespace {

constexpr double kArm = 28.0;    // pixels from the centre to a letter's line end
constexpr double kMargin = 48.0;  // centre's distance from the window's corner

struct Direction {
  char letter;
  std::array<double, 3> volume;  // in the volume's frame
  std::array<float, 3> colour;
};

// Left-right red, posterior-anterior green, superior-inferior blue.
constexpr Direction kDirections[] = {
    {'L', {1, 0, 0}, {1.0f, 0.35f, 0.35f}}, {'R', {-1, 0, 0}, {1.0f, 0.35f, 0.35f}},
    {'P', {0, 1, 0}, {0.35f, 1.0f, 0.35f}}, {'A', {0, -1, 0}, {0.35f, 1.0f, 0.35f}},
    {'S', {0, 0, 1}, {0.45f, 0.6f, 1.0f}},  {'I', {0, 0, -1}, {0.45f, 0.6f, 1.0f}},
};

}  // namespace

void DrawOrientationMarker(const Rotation& rotation, int paneWidth, int paneHeight) {
  struct Placed {
    const Direction* direction;
    double x, y, depth;  // window pixels (y down), and towards the viewer
  };
  std::array<Placed, 6> placed{};
  const double centreX = kMargin;
  const double centreY = paneHeight - kMargin;
  for (size_t i = 0; i < placed.size(); ++i) {
    const Direction& d = kDirections[i];
    double eye[3];
    for (int row = 0; row < 3; ++row) {
      eye[row] = rotation[3 * row] * d.volume[0] + rotation[3 * row + 1] * d.volume[1] +
                 rotation[3 * row + 2] * d.volume[2];
    }
    placed[i] = {&d, centreX + kArm * eye[0], centreY - kArm * eye[1], eye[2]};
  }
  // Far directions first, so the near ones are drawn over them.
  std::sort(placed.begin(), placed.end(),
            [](const Placed& a, const Placed& b) { return a.depth < b.depth; });

  const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_TEXTURE_2D);
  BeginPaneOverlay(paneWidth, paneHeight);
  glLineWidth(2.0f);
  for (const Placed& p : placed) {
    // Directions pointing away from the viewer are drawn dimmer.
    const float shade = p.depth < -0.01 ? 0.45f : 1.0f;
    const std::array<float, 3>& c = p.direction->colour;
    glColor3f(c[0] * shade, c[1] * shade, c[2] * shade);
    glBegin(GL_LINES);
    glVertex2d(centreX, centreY);
    glVertex2d(p.x, p.y);
    glEnd();
    // Letters just beyond the line's end, centred on it.
    const double outX = centreX + (p.x - centreX) * 1.35 - 4.0;
    const double outY = centreY + (p.y - centreY) * 1.35 + 5.0;
    glRasterPos2d(outX, outY);
    glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, p.direction->letter);
  }
  glLineWidth(1.0f);
  EndOverlay();
  if (textured) glEnable(GL_TEXTURE_2D);
  glPopMatrix();
}
