// How an opened volume is drawn.
#pragma once

#include <optional>
#include <string>

enum class RenderMode {
  Composite,  // lit, blended slices through the transfer function
  Maximum,    // maximum intensity projection
  Minimum,    // minimum intensity projection
  Average,    // mean value along each ray, like an X-ray picture
  Iso,        // opaque lit surface where the value crosses a level
};

constexpr int kRenderModeCount = 5;

// "composite", "mip", "minip", "average", "iso"; nullopt for other names.
std::optional<RenderMode> ParseRenderMode(const std::string& name);
const char* RenderModeName(RenderMode mode);
// The mode after `mode`, back to composite after the last.
RenderMode NextRenderMode(RenderMode mode);
