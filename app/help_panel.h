// Key h: a panel over the window listing the keys and mouse actions that act
// now, in the current layout and mode, grouped.
#pragma once

#include <string>
#include <vector>

#include "app/view_state.h"

struct HelpEntry {
  std::string input;   // "A P L R S I"
  std::string action;  // "view from that side"
};

struct HelpGroup {
  std::string title;
  std::vector<HelpEntry> entries;
};

// What acts now: slice panes' actions only in layouts with slices, the iso
// keys only in iso mode, the light's or the editor's drag when they are on,
// the fluid's keys while it runs.
std::vector<HelpGroup> HelpNow(const ViewState& state, bool lightMode, bool editorShown, bool fluidMode);

// Draws the groups over the middle of a window of this size.
void DrawHelpPanel(const std::vector<HelpGroup>& groups, int width, int height);
