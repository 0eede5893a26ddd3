#include "app/message_box.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/text_wrap.h"

namespace {

void* const kTextFont = GLUT_BITMAP_HELVETICA_12;
constexpr int kLineHeight = 16;
constexpr int kMargin = 16;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kMinWidth = 260;
constexpr int kMaxWidth = 1000;
constexpr int kWindowLeft = 120;
constexpr int kWindowTop = 120;
constexpr int kScrollBarWidth = 6;
constexpr int kWheelLines = 3;

struct Box {
  std::string caption;
  std::string text;
  std::vector<std::string> lines;
  bool errorIcon = false;
  int width = 0;
  int height = 0;
  int firstLine = 0;  // scroll position, in lines
  bool dismissed = false;
  bool buttonPressed = false;
};

Box* gBox = nullptr;
bool gBoxActive = false;

int TextWidth(const std::string& text) {
  return glutBitmapLength(kTextFont, reinterpret_cast<const unsigned char*>(text.c_str()));
}

int TextLeft(const Box& box) { return kMargin + (box.errorIcon ? kIconSize + kMargin : 0); }

// Lines that fit between the top margin and the button.
int VisibleLines(const Box& box) {
  return std::max(1, (box.height - 3 * kMargin - kButtonHeight) / kLineHeight);
}

int LastFirstLine(const Box& box) {
  return std::max(0, static_cast<int>(box.lines.size()) - VisibleLines(box));
}

void ScrollTo(Box& box, int firstLine) {
  box.firstLine = std::clamp(firstLine, 0, LastFirstLine(box));
  glutPostRedisplay();
}

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
  const int shown = std::min<int>(VisibleLines(box), box.lines.size() - box.firstLine);
  for (int i = 0; i < shown; ++i) {
    DrawText(box.lines[box.firstLine + i], TextLeft(box), kMargin + 12 + i * kLineHeight);
  }
  if (LastFirstLine(box) > 0) {
    // Where the visible lines sit in the whole text.
    const int64_t trackHeight = VisibleLines(box) * kLineHeight;
    const int64_t total = static_cast<int64_t>(box.lines.size());
    glColor3f(0.6f, 0.6f, 0.6f);
    FillRect(box.width - kMargin / 2 - kScrollBarWidth / 2,
             kMargin + static_cast<int>(trackHeight * box.firstLine / total), kScrollBarWidth,
             std::max(4, static_cast<int>(trackHeight * VisibleLines(box) / total)));
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

void BoxSpecialKey(int key, int, int) {
  Box& box = *gBox;
  const int page = VisibleLines(box);
  switch (key) {
    case GLUT_KEY_UP: ScrollTo(box, box.firstLine - 1); break;
    case GLUT_KEY_DOWN: ScrollTo(box, box.firstLine + 1); break;
    case GLUT_KEY_PAGE_UP: ScrollTo(box, box.firstLine - page); break;
    case GLUT_KEY_PAGE_DOWN: ScrollTo(box, box.firstLine + page); break;
    case GLUT_KEY_HOME: ScrollTo(box, 0); break;
    case GLUT_KEY_END: ScrollTo(box, LastFirstLine(box)); break;
    default: break;
  }
}

void BoxMouse(int button, int state, int x, int y) {
  // X reports the wheel as buttons 4 and 5, GLUT as 3 and 4.
  if ((button == 3 || button == 4) && state == GLUT_DOWN) {
    ScrollTo(*gBox, gBox->firstLine + (button == 3 ? -kWheelLines : kWheelLines));
    return;
  }
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
  ScrollTo(*gBox, gBox->firstLine);
}

// Wide lines wrap at the widest box that fits the screen; a text taller
// than the screen scrolls.
void LayOut(Box& box) {
  const int screenWidth = glutGet(GLUT_SCREEN_WIDTH);
  const int maxWidth =
      screenWidth > 0 ? std::clamp(screenWidth - kWindowLeft - kMargin, kMinWidth, kMaxWidth) : kMaxWidth;
  const int maxTextWidth = maxWidth - TextLeft(box) - kMargin;
  box.lines = WrapText(box.text, maxTextWidth, [](unsigned char c) {
    return glutBitmapWidth(kTextFont, c);
  });
  int textWidth = TextWidth(box.caption);
  for (const std::string& line : box.lines) textWidth = std::max(textWidth, TextWidth(line));
  box.width = std::clamp(TextLeft(box) + textWidth + kMargin, kMinWidth, maxWidth);
  // In 64 bits: a caller's text may hold more lines than an int can measure.
  const int64_t textHeight = std::max<int64_t>(static_cast<int64_t>(box.lines.size()) * kLineHeight,
                                               box.errorIcon ? kIconSize : 0);
  const int screenHeight = glutGet(GLUT_SCREEN_HEIGHT);
  const int maxHeight = screenHeight > 0 ? std::max(200, screenHeight - kWindowTop - kMargin) : 600;
  box.height = static_cast<int>(
      std::min<int64_t>(3 * kMargin + textHeight + kButtonHeight, maxHeight));
}

// After the main loop has ended, GLUT is shut down and must start again.
// An X server whose last client has just left may be resetting and refuse
// connections for a moment, and GLUT ends the process when it cannot connect:
// wait until the server answers, and hold that connection until GLUT has its own.
// A server that never answers leaves nobody to show the box to: false.
bool RestartGlut() {
  Display* probe = nullptr;
  for (int attempt = 0; attempt < 100 && !probe; ++attempt) {
    probe = XOpenDisplay(nullptr);
    if (!probe) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!probe) return false;
  int argc = 1;
  char name[] = "volview";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  XCloseDisplay(probe);
  return true;
}

// Runs the box's own event loop until the user dismisses it.
void RunBox(Box& box) {
  if (!glutGet(GLUT_INIT_STATE) && !RestartGlut()) return;
  const int previousWindow = glutGetWindow();
  const int previousCloseAction = glutGet(GLUT_ACTION_ON_WINDOW_CLOSE);
  // Closing the box from the window manager must only dismiss it.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);

  LayOut(box);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
  glutInitWindowSize(box.width, box.height);
  glutInitWindowPosition(kWindowLeft, kWindowTop);
  const int window = glutCreateWindow(box.caption.c_str());
  glutDisplayFunc(DisplayBox);
  glutKeyboardFunc(BoxKeyboard);
  glutSpecialFunc(BoxSpecialKey);
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

void ReportInLine(const char* caption, const char* text, bool) {
  std::fprintf(stderr, "%s\n%s\n", caption ? caption : "", text ? text : "");
  std::fflush(stderr);
}

void ShowMessageBox(const char* caption, const char* text, bool errorIcon) {
  ReportInLine(caption, text);
  // Without a display there is nobody to wait for.
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return;

  Box box;
  box.caption = caption ? caption : "";
  box.text = text ? text : "";
  box.errorIcon = errorIcon;
  gBox = &box;
  gBoxActive = true;
  RunBox(box);
  gBoxActive = false;
  gBox = nullptr;
}
