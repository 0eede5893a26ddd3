// Sections: drawing (picture, marks), mouse, keys, status.
#include "app/slice_pane.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/cursor_text.h"
#include "app/overlay.h"

namespace {

constexpr double kZoomStep = 1.25;
constexpr int kShiftSteps = 10;
// A drag across 150 pixels doubles or halves the window's width; one across
// 300 moves its level by its width.
constexpr double kWidthDoublingPixels = 150.0;
constexpr double kLevelPixelsPerWidth = 300.0;

const char* PlaneName(SliceAxis axis) {
  switch (axis) {
    case SliceAxis::Axial: return "Axial";
    case SliceAxis::Coronal: return "Coronal";
    case SliceAxis::Sagittal: return "Sagittal";
  }
  return "";
}

// Wheel steps away from the user go towards superior, anterior (canonical
// axis 1 grows posterior) and the patient's left.
double StepSign(SliceAxis axis) { return axis == SliceAxis::Coronal ? -1.0 : 1.0; }

void Text(double x, double y, const std::string& text) {
  glRasterPos2d(x, y);
  for (unsigned char c : text) glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, c);
}

int TextWidth(const std::string& text) {
  return glutBitmapLength(GLUT_BITMAP_HELVETICA_12, reinterpret_cast<const unsigned char*>(text.c_str()));
}

double RulerLength(const VolumeInfo& info, const Ruler& ruler) {
  double sum = 0;
  for (int a = 0; a < 3; ++a) {
    const double mm = (ruler.to[a] - ruler.from[a]) * info.spacing[a];
    sum += mm * mm;
  }
  return std::sqrt(sum);
}

std::string Millimetres(double mm) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f mm", mm);
  return text;
}

bool SameMapping(const PixelMapping& a, const PixelMapping& b) {
  return a.u0 == b.u0 && a.du == b.du && a.v0 == b.v0 && a.dv == b.dv;
}

}  // namespace

void SetPlaneColour(SliceAxis axis) {
  switch (axis) {
    case SliceAxis::Axial: glColor3f(0.95f, 0.35f, 0.35f); break;
    case SliceAxis::Coronal: glColor3f(0.4f, 0.9f, 0.4f); break;
    case SliceAxis::Sagittal: glColor3f(0.95f, 0.85f, 0.3f); break;
  }
}

SlicePane::SlicePane(ViewState& state, const Volume& volume, SliceAxis axis)
    : state_(state), volume_(volume), axis_(axis) {}

SliceFrame SlicePane::Frame(const PaneRect& rect) const {
  return MakeSliceFrame(volume_.info(), axis_, state_.neurological,
                        state_.slicePanes[static_cast<int>(axis_)], rect.width, rect.height);
}

std::array<double, 3> SlicePane::PointAt(const PaneRect& rect, int x, int y) const {
  return PanePoint(Frame(rect), state_.cursor, x - rect.x + 0.5, y - rect.y + 0.5);
}

// --- drawing -----------------------------------------------------------

void SlicePane::UpdatePicture(const SliceFrame& frame) {
  const int normal = static_cast<int>(axis_);
  const double position = state_.cursor[normal];
  if (!valuesValid_ || valuesPosition_ != position || valuesSampling_ != state_.sampling) {
    ExtractSlice(volume_, axis_, position, state_.sampling, values_);
    valuesValid_ = true;
    valuesPosition_ = position;
    valuesSampling_ = state_.sampling;
    pictureValid_ = false;
  }
  const PictureInputs inputs{PictureMapping(frame, true), frame.width, frame.height, state_.sliceWindow,
                             state_.sampling};
  const PictureInputs& was = pictureInputs_;
  if (pictureValid_ && SameMapping(was.mapping, inputs.mapping) && was.width == inputs.width &&
      was.height == inputs.height && was.window.low == inputs.window.low &&
      was.window.high == inputs.window.high && was.sampling == inputs.sampling) {
    return;
  }
  picture_.resize(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height));
  RenderSlice(values_, inputs.mapping, frame.width, frame.height, state_.sampling, state_.sliceWindow, 0,
              picture_.data());
  pictureInputs_ = inputs;
  pictureValid_ = true;
}

void SlicePane::Draw(const PaneRect& rect) {
  if (rect.width <= 0 || rect.height <= 0) return;
  const SliceFrame frame = Frame(rect);
  UpdatePicture(frame);
  const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_2D);
  glPushMatrix();
  glLoadIdentity();
  BeginPaneOverlay(rect.width, rect.height);
  // Rows bottom-up from the lower left corner, as GL draws them.
  glRasterPos2i(0, rect.height);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glDrawPixels(rect.width, rect.height, GL_LUMINANCE, GL_UNSIGNED_BYTE, picture_.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  DrawMarks(frame);
  EndOverlay();
  glPopMatrix();
  if (textured) glEnable(GL_TEXTURE_2D);
}

void SlicePane::DrawMarks(const SliceFrame& frame) const {
  const VolumeInfo& info = volume_.info();
  const double w = frame.width, h = frame.height;
  // The crosshair: the other two slices through the cursor.
  const std::array<double, 2> at = SliceToPane(frame, state_.cursor[frame.right], state_.cursor[frame.down]);
  glLineWidth(1.0f);
  glBegin(GL_LINES);
  SetPlaneColour(static_cast<SliceAxis>(frame.right));
  glVertex2d(at[0], 0);
  glVertex2d(at[0], h);
  SetPlaneColour(static_cast<SliceAxis>(frame.down));
  glVertex2d(0, at[1]);
  glVertex2d(w, at[1]);
  glEnd();

  const Ruler& ruler = state_.ruler;
  if (ruler.shown && ruler.axis == axis_) {
    const std::array<double, 2> a = SliceToPane(frame, ruler.from[frame.right], ruler.from[frame.down]);
    const std::array<double, 2> b = SliceToPane(frame, ruler.to[frame.right], ruler.to[frame.down]);
    glColor3f(0.3f, 0.9f, 1.0f);
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    glVertex2d(a[0], a[1]);
    glVertex2d(b[0], b[1]);
    glEnd();
    glLineWidth(1.0f);
    Text(b[0] + 6, b[1] - 6, Millimetres(RulerLength(info, ruler)));
  }

  // Edge letters, the slice's name and position, and a frame in its colour.
  glColor3f(1.0f, 0.85f, 0.4f);
  const std::string right = EdgeLetter(info, frame.right, frame.rightSign > 0);
  const std::string left = EdgeLetter(info, frame.right, frame.rightSign < 0);
  const std::string down = EdgeLetter(info, frame.down, frame.downSign > 0);
  const std::string up = EdgeLetter(info, frame.down, frame.downSign < 0);
  Text(4, h / 2 + 5, left);
  Text(w - 4 - TextWidth(right), h / 2 + 5, right);
  Text(w / 2 - TextWidth(up) / 2.0, 14, up);
  Text(w / 2 - TextWidth(down) / 2.0, h - 5, down);
  const int normal = static_cast<int>(axis_);
  const Point3 ras = CanonicalToRas(info, {state_.cursor[0], state_.cursor[1], state_.cursor[2]});
  SetPlaneColour(axis_);
  // Low on the left: the frame rate keeps the window's top left corner.
  Text(4, h - 5, std::string(PlaneName(axis_)) + "  " + CoordinateText(info, normal, ras[normal]) + " mm");
  glBegin(GL_LINE_LOOP);
  glVertex2d(0.5, 0.5);
  glVertex2d(w - 0.5, 0.5);
  glVertex2d(w - 0.5, h - 0.5);
  glVertex2d(0.5, h - 0.5);
  glEnd();
}

// --- mouse -------------------------------------------------------------

void SlicePane::MoveCursor(const PaneRect& rect, int x, int y) {
  Point3 point = PointAt(rect, x, y);
  ClampToVolume(volume_.info(), point);
  state_.cursor = point;
}

void SlicePane::Press(const PaneRect& rect, const MouseButton& press) {
  if (drag_ != DragKind::None) return;  // one drag at a time
  pressX_ = lastX_ = press.x;
  pressY_ = lastY_ = press.y;
  const bool shift = (press.modifiers & GLUT_ACTIVE_SHIFT) != 0;
  switch (press.button) {
    case GLUT_LEFT_BUTTON:
      if (shift) {
        Ruler& ruler = state_.ruler;
        ruler.shown = true;
        ruler.axis = axis_;
        ruler.from = ruler.to = PointAt(rect, press.x, press.y);
        drag_ = DragKind::Ruler;
      } else {
        state_.ruler.shown = false;  // a click elsewhere clears it
        MoveCursor(rect, press.x, press.y);
        drag_ = DragKind::Cursor;
      }
      break;
    case GLUT_RIGHT_BUTTON:
      pressWindow_ = state_.sliceWindow;
      drag_ = DragKind::Window;
      break;
    case GLUT_MIDDLE_BUTTON: drag_ = DragKind::Pan; break;
    default: break;
  }
}

void SlicePane::Drag(const PaneRect& rect, int x, int y) {
  switch (drag_) {
    case DragKind::Cursor: MoveCursor(rect, x, y); break;
    case DragKind::Ruler: state_.ruler.to = PointAt(rect, x, y); break;
    case DragKind::Window: {
      const double width = (pressWindow_.high - pressWindow_.low) * std::exp2((x - pressX_) / kWidthDoublingPixels);
      const double level = (pressWindow_.high + pressWindow_.low) / 2 +
                           (pressY_ - y) * (pressWindow_.high - pressWindow_.low) / kLevelPixelsPerWidth;
      state_.sliceWindow = {level - width / 2, level + width / 2};
      break;
    }
    case DragKind::Pan:
      PanSlice(state_.slicePanes[static_cast<int>(axis_)], Frame(rect), x - lastX_, y - lastY_);
      break;
    case DragKind::None: break;
  }
  lastX_ = x;
  lastY_ = y;
}

void SlicePane::Release(const PaneRect& rect, const MouseButton& release) {
  const bool ends = (drag_ == DragKind::Cursor || drag_ == DragKind::Ruler) ? release.button == GLUT_LEFT_BUTTON
                    : drag_ == DragKind::Window ? release.button == GLUT_RIGHT_BUTTON
                                                : release.button == GLUT_MIDDLE_BUTTON;
  if (!ends) return;
  Drag(rect, release.x, release.y);
  switch (drag_) {
    case DragKind::Cursor: std::printf("%s\n", CursorLine(volume_, state_.cursor).c_str()); break;
    case DragKind::Ruler:
      std::printf("Distance: %s\n", Millimetres(RulerLength(volume_.info(), state_.ruler)).c_str());
      break;
    case DragKind::Window: std::printf("Window: %g:%g\n", state_.sliceWindow.low, state_.sliceWindow.high); break;
    default: break;
  }
  drag_ = DragKind::None;
}

void SlicePane::Wheel(const PaneRect& rect, int steps, const MouseButton& at) {
  if ((at.modifiers & GLUT_ACTIVE_CTRL) != 0) {
    // About the pointer's pixel centre: the point it shows and a click there names.
    ZoomSliceAbout(state_.slicePanes[static_cast<int>(axis_)], Frame(rect), std::pow(kZoomStep, steps),
                   at.x - rect.x + 0.5, at.y - rect.y + 0.5);
    return;
  }
  StepSlice((at.modifiers & GLUT_ACTIVE_SHIFT) != 0 ? steps * kShiftSteps : steps);
}

void SlicePane::StepSlice(int steps) {
  const int normal = static_cast<int>(axis_);
  const double last = static_cast<double>(volume_.info().sizes[normal] - 1);
  state_.cursor[normal] = std::clamp(state_.cursor[normal] + StepSign(axis_) * steps, 0.0, last);
  std::printf("%s\n", CursorLine(volume_, state_.cursor).c_str());
}

// --- keys and status ---------------------------------------------------

bool SlicePane::SpecialKey(const PaneRect&, int key, int modifiers) {
  if (key != GLUT_KEY_PAGE_UP && key != GLUT_KEY_PAGE_DOWN) return false;
  const int steps = (modifiers & GLUT_ACTIVE_SHIFT) != 0 ? kShiftSteps : 1;
  StepSlice(key == GLUT_KEY_PAGE_UP ? steps : -steps);
  return true;
}

std::string SlicePane::Status(const PaneRect& rect, int x, int y) const {
  const Point3 point = PointAt(rect, x, y);
  const VolumeInfo& info = volume_.info();
  for (int a = 0; a < 3; ++a) {
    if (point[a] < -0.5 || point[a] > static_cast<double>(info.sizes[a]) - 0.5) return "";
  }
  return PositionText(info, point) + ", " + VoxelText(volume_, point);
}
