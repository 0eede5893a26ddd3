#include "render/render_mode.h"

namespace {
constexpr const char* kModeNames[kRenderModeCount] = {"composite", "mip", "minip", "average",
                                                      "iso"};
}  // namespace

std::optional<RenderMode> ParseRenderMode(const std::string& name) {
  for (int i = 0; i < kRenderModeCount; ++i) {
    if (name == kModeNames[i]) return static_cast<RenderMode>(i);
  }
  return std::nullopt;
}

const char* RenderModeName(RenderMode mode) { return kModeNames[static_cast<int>(mode)]; }

RenderMode NextRenderMode(RenderMode mode) {
  return static_cast<RenderMode>((static_cast<int>(mode) + 1) % kRenderModeCount);
}
