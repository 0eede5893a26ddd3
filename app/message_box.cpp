#include "app/message_box.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

void* const kTextFont = GLUT_BITMAP_HELVETICA_12;
constexpr int kLineHeight = 16;
constexpr int kMargin = 16;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kMinWidth = 260;
constexpr int kMaxWidth = 1000;
constexpr int kMaxTextLines = 36;

struct Box {
  std::string caption;
  std::vector<std::string> lines;
  bool errorIcon = false;
  int width = 0;
  int height = 0;
  bool dismissed = false;
  bool buttonPressed = false;
};

Box* gBox = nullptr;
bool gBoxActive = false;

std::vector<std::string> SplitLines(const char* text) {
  std::vector<std::string> lines;
  std::istringstream stream(text ? text : "");
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (lines.size() > static_cast<size_t>(kMaxTextLines)) {
    lines.resize(kMaxTextLines);
    lines.back() = "...";
  }
  return lines;
}

int TextWidth(const std::string& text) {
  return glutBitmapLength(kTextFont, reinterpret_cast<const unsigned char*>(text.c_str()));
}

int TextLeft(const Box& box) { return kMargin + (box.errorIcon ? kIconSize + kMargin : 0); }

void ButtonRect(const Box& box, int& left, int& top) {
  left = (box.width - kButtonWidth) / 2;
  top = box.height - kMargin - kButtonHeight;
}

bool InsideButton(const Box& box, int x, int y) {
  int left = 0, top = 0;
  ButtonRect(box, left, top);
  return x >= left && x < left + kButtonWidth && y >= top && y < top + kButtonHeight;
}

void DrawText(const std::string& text, int x, int baseline) {
  glRasterPos2i(x, baseline);
  for (unsigned char c : text) glutBitmapCharacter(kTextFont, c);
}

void FillRect(int left, int top, int width, int height) {
  glRecti(left, top, left + width, top + height);
}

void DrawErrorIcon() {
  const int cx = kMargin + kIconSize / 2, cy = kMargin + kIconSize / 2;
  glColor3f(0.8f, 0.1f, 0.1f);
  glBegin(GL_TRIANGLE_FAN);
  for (int i = 0; i <= 32; ++i) {
    const double a = i * 6.283185307179586 / 32;
    glVertex2d(cx + 16 * std::cos(a), cy + 16 * std::sin(a));
  }
  glEnd();
  glColor3f(1, 1, 1);
  glLineWidth(3.0f);
  glBegin(GL_LINES);
  glVertex2i(cx - 7, cy - 7);
  glVertex2i(cx + 7, cy + 7);
  glVertex2i(cx + 7, cy - 7);
  glVertex2i(cx - 7, cy + 7);
  glEnd();
  glLineWidth(1.0f);
}

void DisplayBox() {
  const Box& box = *gBox;
  glViewport(0, 0, box.width, box.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, box.width, box.height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0.93f, 0.93f, 0.93f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  if (box.errorIcon) DrawErrorIcon();

  glColor3f(0, 0, 0);
  int baseline = kMargin + 12;
  for (const std::string& line : box.lines) {
    DrawText(line, TextLeft(box), baseline);
    baseline += kLineHeight;
  }

  int left = 0, top = 0;
  ButtonRect(box, left, top);
  glColor3f(0.35f, 0.35f, 0.35f);
  FillRect(left, top, kButtonWidth, kButtonHeight);
  glColor3f(box.buttonPressed ? 0.78f : 0.98f, box.buttonPressed ? 0.78f : 0.98f,
            box.buttonPressed ? 0.78f : 0.98f);
  FillRect(left + 1, top + 1, kButtonWidth - 2, kButtonHeight - 2);
  glColor3f(0, 0, 0);
  DrawText("OK", left + (kButtonWidth - TextWidth("OK")) / 2, top + 17);
  glutSwapBuffers();
}

void BoxKeyboard(unsigned char key, int, int) {
  if (key == '\r' || key == '\n' || key == 27 || key == ' ') gBox->dismissed = true;
}

void BoxMouse(int button, int state, int x, int y) {
  if (button != GLUT_LEFT_BUTTON) return;
  if (state == GLUT_DOWN) {
    gBox->buttonPressed = InsideButton(*gBox, x, y);
  } else {
    if (gBox->buttonPressed && InsideButton(*gBox, x, y)) gBox->dismissed = true;
    gBox->buttonPressed = false;
  }
  glutPostRedisplay();
}

void BoxClosed() { gBox->dismissed = true; }

void BoxReshape(int width, int height) {
  gBox->width = width;
  gBox->height = height;
}

void LayOut(Box& box) {
  int textWidth = TextWidth(box.caption);
  for (const std::string& line : box.lines) textWidth = std::max(textWidth, TextWidth(line));
  box.width = std::clamp(TextLeft(box) + textWidth + kMargin, kMinWidth, kMaxWidth);
  const int textHeight = std::max<int>(box.lines.size() * kLineHeight, box.errorIcon ? kIconSize : 0);
  box.height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
}

// After the main loop has ended, GLUT is shut down and must start again.
// An X server whose last client has just left may be resetting and refuse
// connections for a moment, and GLUT ends the process when it cannot connect:
// wait until the server answers, and hold that connection until GLUT has its own.
void RestartGlut() {
  Display* probe = nullptr;
  for (int attempt = 0; attempt < 100 && !probe; ++attempt) {
    probe = XOpenDisplay(nullptr);
    if (!probe) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  int argc = 1;
  char name[] = "volview";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  if (probe) XCloseDisplay(probe);
}

// Runs the box's own event loop until the user dismisses it.
void RunBox(Box& box) {
  if (!glutGet(GLUT_INIT_STATE)) RestartGlut();
  const int previousWindow = glutGetWindow();
  const int previousCloseAction = glutGet(GLUT_ACTION_ON_WINDOW_CLOSE);
  // Closing the box from the window manager must only dismiss it.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);

  LayOut(box);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
  glutInitWindowSize(box.width, box.height);
  glutInitWindowPosition(120, 120);
  const int window = glutCreateWindow(box.caption.c_str());
  glutDisplayFunc(DisplayBox);
  glutKeyboardFunc(BoxKeyboard);
  glutMouseFunc(BoxMouse);
  glutReshapeFunc(BoxReshape);
  glutCloseFunc(BoxClosed);

  while (!box.dismissed) {
    glutMainLoopEvent();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  glutSetWindow(window);
  glutCloseFunc(nullptr);
  glutDestroyWindow(window);
  glutMainLoopEvent();
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, previousCloseAction);
  if (previousWindow > 0) glutSetWindow(previousWindow);
}

}  // namespace

bool MessageBoxActive() { return gBoxActive; }

void ShowMessageBox(const char* caption, const char* text, bool errorIcon) {
  std::fprintf(stderr, "%s\n%s\n", caption ? caption : "", text ? text : "");
  std::fflush(stderr);
  // Without a display there is nobody to wait for.
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return;

  Box box;
  box.caption = caption ? caption : "";
  box.lines = SplitLines(text);
  box.errorIcon = errorIcon;
  gBox = &box;
  gBoxActive = true;
  RunBox(box);
  gBoxActive = false;
  gBox = nullptr;
}
