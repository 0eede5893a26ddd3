// The part of a saved view no command-line option holds: how the user left
// the camera, the light, the edited transfer function and the panes. Applied
// once the volume is read, after the options have set up the rest.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/view_state.h"
#include "app/volume_view.h"

// A measured line, its ends in RAS mm.
struct SavedRuler {
  SliceAxis axis = SliceAxis::Axial;
  std::array<double, 3> from{};
  std::array<double, 3> to{};
};

struct RestoredView {
  // Each camera part is absent when an option given after the state replaces it.
  std::optional<Rotation> rotation;
  std::optional<std::array<double, 2>> pan;
  std::optional<double> zoom;
  std::optional<double> fitHalfSide;
  std::optional<std::array<double, 3>> pivot;
  std::optional<bool> orthographic;
  std::optional<std::array<float, 3>> light;
  bool viewClip = false;
  int32_t clipDistance = 0;
  std::optional<VolumeView> shownPart;
  std::array<SlicePaneView, 3> slicePanes;
  bool cropHandles = false;
  std::optional<SavedRuler> ruler;
  std::string transferMap;   // a colour map's JSON text over the saved window; empty: none
  std::string transferName;  // what the status line called it
};
