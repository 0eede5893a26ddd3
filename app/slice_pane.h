// A slice pane: the slice through the cursor normal to one axis, from the
// full-resolution voxels through the slice window, with the cursor's
// crosshair, the letters of its edges and the slice's position.
//   left click or drag        moves the cursor there (printed on release)
//   shift + left drag         measures a line on the slice (printed on release)
//   right drag                grey window: horizontal its width, vertical its level
//   wheel, Page Up/Down       the next slice (shift: ten), towards superior,
//                             anterior or the patient's left
//   ctrl + wheel              zooms about the pointer
//   middle drag               pans
#pragma once

#include <cstdint>
#include <vector>

#include "app/pane.h"
#include "app/slice_frame.h"
#include "app/view_state.h"
#include "files/volume_file.h"
#include "render/slice_image.h"

class SlicePane : public Pane {
public:
  SlicePane(ViewState& state, const Volume& volume, SliceAxis axis);

  void Draw(const PaneRect& rect) override;
  void Press(const PaneRect& rect, const MouseButton& press) override;
  void Drag(const PaneRect& rect, int x, int y) override;
  void Release(const PaneRect& rect, const MouseButton& release) override;
  void Wheel(const PaneRect& rect, int steps, const MouseButton& at) override;
  bool SpecialKey(const PaneRect& rect, int key, int modifiers) override;
  std::string Status(const PaneRect& rect, int x, int y) const override;

private:
  enum class DragKind { None, Cursor, Ruler, Window, Pan };

  SliceFrame Frame(const PaneRect& rect) const;
  // The canonical point under a window position, on this slice.
  std::array<double, 3> PointAt(const PaneRect& rect, int x, int y) const;
  void MoveCursor(const PaneRect& rect, int x, int y);
  void StepSlice(int steps);
  void UpdatePicture(const SliceFrame& frame);
  void DrawMarks(const SliceFrame& frame) const;

  ViewState& state_;
  const Volume& volume_;
  SliceAxis axis_;

  DragKind drag_ = DragKind::None;
  int pressX_ = 0, pressY_ = 0, lastX_ = 0, lastY_ = 0;
  IntensityWindow pressWindow_;

  // The slice's values, for the position and sampling they were taken at.
  SliceValues values_;
  bool valuesValid_ = false;
  double valuesPosition_ = 0;
  Sampling valuesSampling_ = Sampling::Linear;
  // The picture, for the inputs it was made from.
  std::vector<uint8_t> picture_;
  struct PictureInputs {
    PixelMapping mapping;
    int width = 0, height = 0;
    IntensityWindow window;
    Sampling sampling = Sampling::Linear;
  } pictureInputs_;
  bool pictureValid_ = false;
};

// The colour each slice is marked with in every pane: axial red, coronal
// green, sagittal yellow.
void SetPlaneColour(SliceAxis axis);
