// The status line along the bottom of a layout with slices: what lies under
// the pointer (position, voxel, value), or the cursor.
#pragma once

#include <functional>
#include <string>

#include "app/pane.h"

class StatusPane : public Pane {
public:
  explicit StatusPane(std::function<std::string()> text);
  void Draw(const PaneRect& rect) override;

private:
  std::function<std::string()> text_;
};
