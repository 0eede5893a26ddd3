// Where each pane of a layout lies in the window. Layouts with slices keep a
// strip along the bottom for the status line; the 3D layout is the whole
// window, as it always was.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/pane.h"
#include "app/view_state.h"

enum class PaneKind { Volume, Axial, Coronal, Sagittal, Status };

struct PanePlacement {
  PaneKind kind;
  PaneRect rect;
};

constexpr int kStatusLineHeight = 18;

// The 3D layout: the whole window, the status line over its bottom edge.
// Quad: axial top left, 3D top right, sagittal bottom left, coronal bottom
// right, in equal quarters of the window above the status line. Without
// `statusLine` the panes take its strip too.
std::vector<PanePlacement> ArrangePanes(Layout layout, int width, int height, bool statusLine = true);

// "3d", "axial", "coronal", "sagittal", "quad"; nullopt for other names.
std::optional<Layout> ParseLayout(const std::string& name);
const char* LayoutName(Layout layout);
