// The 3D view of an opened volume: turned, zoomed and panned by the view
// state's camera, drawn at the detail the interaction allows, with the
// orientation marker in its lower left corner. A middle drag turns it
// (with shift: pans it), the wheel zooms; in light mode a left drag steers
// the light, and with the editor shown a drag redraws the transfer function.
// Beside the slice panes it shows the three slices through the cursor as
// outlines in their colours.
#pragma once

#include "app/pane.h"
#include "app/view_state.h"
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
  void Wheel(const PaneRect& rect, int steps, const MouseButton& at) override;
  // The cursor: the 3D view has no point under the pointer.
  std::string Status(const PaneRect& rect, int x, int y) const override;

private:
  void DrawCursorOutlines() const;

  ViewState& state_;
  const Volume& volume_;
  int turntableFrames_;
  bool panning_ = false;  // a middle drag begun with shift held
};

// What the renderer draws of the state in one frame.
DrawInputs VolumeDrawInputs(const ViewState& state);
