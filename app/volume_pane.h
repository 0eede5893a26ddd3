// The 3D view of an opened volume: turned, zoomed and panned by the view
// state's camera, drawn at the detail the interaction allows, with the
// orientation marker in its lower left corner. A middle or left drag turns
// it (with shift: pans it), the wheel zooms; in light mode a left drag steers
// the light, with the editor shown a drag redraws the transfer function, and
// in fluid mode the left button stirs.
// Beside the slice panes it shows the three slices through the cursor as
// outlines in their colours. With the crop box's faces shown (key B), a left
// drag on a face moves it along its normal, the face under the pointer lit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "app/crop_handles.h"
#include "app/pane.h"
#include "app/view_state.h"
#include "render/slice_image.h"
#include "files/volume_file.h"
#include "render/draw_inputs.h"

class VolumePane : public Pane {
public:
  // `turntableFrames` > 0: each frame is posed for the next picture of a
  // turntable.
  VolumePane(ViewState& state, const Volume& volume, int turntableFrames);

  void Draw(const PaneRect& rect) override;
  void Press(const PaneRect& rect, const MouseButton& press) override;
  void Drag(const PaneRect& rect, int x, int y) override;
  void Release(const PaneRect& rect, const MouseButton& release) override;
  void Wheel(const PaneRect& rect, int steps, const MouseButton& at) override;
  void Hover(const PaneRect& rect, int x, int y) override;
  // The cursor: the 3D view has no point under the pointer.
  std::string Status(const PaneRect& rect, int x, int y) const override;

private:
  // The renderer's model frame on the modelview, as its drawing leaves it.
  void DrawCursorOutlines() const;
  void DrawCropBox() const;
  // The pictures of the slices shown inside, when they moved or changed.
  void UpdatePlanePictures();
  CropFace FaceAt(const PaneRect& rect, int x, int y) const;
  bool TurnsOnLeftDrag() const;
  // Draws the volume alone, uncut, at zoom 1, frames what it covers and
  // clears the pane for the frame proper.
  void FrameWhatIsDrawn(const PaneRect& rect);

  ViewState& state_;
  const Volume& volume_;
  int turntableFrames_;
  bool panning_ = false;  // a middle drag begun with shift held
  CropFace hovered_;
  CropFace dragged_;
  int lastX_ = 0, lastY_ = 0;
  // Per slice: what its picture was made from, the values and the picture.
  struct PlanePicture {
    bool made = false;
    double position = 0;
    Sampling sampling = Sampling::Linear;
    IntensityWindow window;
    SliceValues values;
    std::vector<uint8_t> grey;
  };
  std::array<PlanePicture, 3> planePictures_;
  std::vector<uint8_t> framingPixels_;
};

// What the renderer draws of the state in one frame.
DrawInputs VolumeDrawInputs(const ViewState& state, const VolumeInfo& info);
