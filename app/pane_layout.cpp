#include "app/pane_layout.h"

#include <algorithm>

namespace {

constexpr const char* kLayoutNames[kLayoutCount] = {"3d", "axial", "coronal", "sagittal", "quad"};

PaneKind SlicePane(Layout layout) {
  switch (layout) {
    case Layout::Axial: return PaneKind::Axial;
    case Layout::Coronal: return PaneKind::Coronal;
    default: return PaneKind::Sagittal;
  }
}

}  // namespace

std::vector<PanePlacement> ArrangePanes(Layout layout, int width, int height, bool statusLine) {
  // A window too low for the strip keeps what it can for the panes.
  const int status = statusLine ? std::min(kStatusLineHeight, height / 2) : 0;
  // The 3D view alone keeps the whole window, its frame as without a status
  // line: the line lies over its bottom edge, where the volume seldom reaches.
  if (layout == Layout::Volume3d) {
    std::vector<PanePlacement> placed{{PaneKind::Volume, {0, 0, width, height}}};
    if (status > 0) placed.push_back({PaneKind::Status, {0, height - status, width, status}});
    return placed;
  }
  const int above = height - status;
  std::vector<PanePlacement> placed;
  if (layout == Layout::Quad) {
    const int left = width / 2, top = above / 2;
    placed = {{PaneKind::Axial, {0, 0, left, top}},
              {PaneKind::Volume, {left, 0, width - left, top}},
              {PaneKind::Sagittal, {0, top, left, above - top}},
              {PaneKind::Coronal, {left, top, width - left, above - top}}};
  } else {
    placed = {{SlicePane(layout), {0, 0, width, above}}};
  }
  if (status > 0) placed.push_back({PaneKind::Status, {0, above, width, status}});
  return placed;
}

std::optional<Layout> ParseLayout(const std::string& name) {
  for (int i = 0; i < kLayoutCount; ++i) {
    if (name == kLayoutNames[i]) return static_cast<Layout>(i);
  }
  return std::nullopt;
}

const char* LayoutName(Layout layout) { return kLayoutNames[static_cast<int>(layout)]; }
