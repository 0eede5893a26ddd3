// The keys that change an opened volume's view state, as transitions of the
// state alone: A P L R S I and 0 (views), o (projection), m, [ and ] (render
// mode, iso value), z, s and a (slice count), c, b and n (the plane fixed to
// the view), + - 4 6 (the part on show).
#pragma once

#include <functional>
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
  // Whether this GL can draw a mode; says why not on stderr when it cannot.
  std::function<bool(RenderMode)> modeAvailable;
};

KeyOutcome ApplyViewKey(ViewState& state, unsigned char key, const KeyContext& context);

// The camera at its start: the start side's turn, zoom and projection, no pan.
void ResetCamera(CameraState& camera);
