// The keys that change an opened volume's view state, as transitions of the
// state alone: A P L R S I and 0 (views), o (projection), m, [ and ] (render
// mode, iso value), z, s and a (slice count), c, b and n (the plane fixed to
// the view), + - 4 6 (the part on show); v and F1 to F5 (layouts), N
// (radiological or neurological slices), i (linear or nearest slices), Esc
// (clears the ruler); B, U, F, C and G (the crop box's faces shown, the
// crop undone, the view-fixed plane frozen into the volume or released,
// caps, slices in the 3D view).
#pragma once

#include <array>
#include <functional>
#include <vector>
#include <string>

#include "app/view_state.h"
#include "files/volume_file.h"

struct KeyOutcome {
  bool handled = false;
  std::string line;  // to print on stdout, without its newline; may be empty
  bool shownPartChanged = false;  // the texture must be fitted to the part afresh
};

struct KeyContext {
  const VolumeInfo* volume = nullptr;
  // The part on show's sides over its longest, as the renderer draws it.
  std::array<float, 3> proportions{1, 1, 1};
  // Whether this GL can draw a mode; says why not on stderr when it cannot.
  std::function<bool(RenderMode)> modeAvailable;
  // What the transfer function leaves visible, which key 0 and the view
  // sides frame; asked for by those keys only. Unset: the camera keeps its
  // size and pan.
  std::function<std::vector<ModelBox>()> visible;
};

KeyOutcome ApplyViewKey(ViewState& state, unsigned char key, const KeyContext& context);
// GLUT's special keys (F1 ... F5: 3d, axial, coronal, sagittal, quad).
KeyOutcome ApplyViewSpecialKey(ViewState& state, int key);

// The camera at its start: the start side's turn, zoom and projection, no
// pan; then framing `visible` when given.
void ResetCamera(CameraState& camera, const std::vector<ModelBox>& visible = {});
