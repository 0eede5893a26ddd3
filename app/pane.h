// A pane: a rectangle of the window that draws itself and takes the input
// aimed at it. The viewer routes a mouse press to the pane under the
// pointer, which then holds the mouse until the last button is released.
#pragma once

#include <string>

// Window pixels from the top-left corner, as GLUT reports the mouse.
struct PaneRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool Contains(int px, int py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
};

// A mouse button (GLUT's 0 left, 1 middle, 2 right), where it went down
// or up, and the modifier keys held (GLUT's GLUT_ACTIVE_* bits).
struct MouseButton {
  int button = 0;
  int x = 0;
  int y = 0;
  int modifiers = 0;
};

class Pane {
public:
  virtual ~Pane() = default;
  // Draws into its rectangle; the viewport is the rectangle's, and the
  // caller sets the window's back afterwards.
  virtual void Draw(const PaneRect& rect) = 0;
  virtual void Press(const PaneRect& /*rect*/, const MouseButton& /*press*/) {}
  // The pointer moved to (x, y) with a button held that went down here.
  virtual void Drag(const PaneRect& /*rect*/, int /*x*/, int /*y*/) {}
  virtual void Release(const PaneRect& /*rect*/, const MouseButton& /*release*/) {}
  // The pointer moved over the pane with no button held.
  virtual void Hover(const PaneRect& /*rect*/, int /*x*/, int /*y*/) {}
  // Wheel steps away from the user (positive) or towards, over the pane.
  virtual void Wheel(const PaneRect& /*rect*/, int /*steps*/, const MouseButton& /*at*/) {}
  // GLUT's special keys (pages, arrows) with the pointer over the pane;
  // false when the pane has no use for the key.
  virtual bool SpecialKey(const PaneRect& /*rect*/, int /*key*/, int /*modifiers*/) {
    return false;
  }
  // What the status line says with the pointer at (x, y) over the pane.
  virtual std::string Status(const PaneRect& /*rect*/, int /*x*/, int /*y*/) const { return ""; }
};

// Makes the rectangle the GL viewport (GL counts rows from the bottom).
void SetPaneViewport(const PaneRect& rect, int windowHeight);
