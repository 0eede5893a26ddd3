#include "app/volume_mode.h"

#include <algorithm>
#include <cstdio>

#include "render/vol_render.h"

namespace {

bool gActive = false;
IntensityWindow gWindow;

constexpr float kIsoStep = 0.01f;

double IsoValue() { return gWindow.low + (gWindow.high - gWindow.low) * gRenderer.isoLevel; }

}  // namespace

void SetUpVolumeMode(RenderMode mode, std::optional<double> iso, const IntensityWindow& window) {
  gActive = true;
  gWindow = window;
  // Values beyond the window reach the texture as its ends.
  const double level = iso ? (*iso - window.low) / (window.high - window.low) : 0.5;
  gRenderer.isoLevel = static_cast<float>(std::clamp(level, 0.0, 1.0));
  if (mode != RenderMode::Composite) gRenderer.SetRenderMode(mode);
}

bool VolumeModeKey(unsigned char key) {
  if (!gActive) return false;
  switch (key) {
    case 'm': {
      // Modes this GL cannot draw are passed over, each with its line.
      RenderMode next = NextRenderMode(gRenderer.mode);
      while (!gRenderer.SetRenderMode(next)) next = NextRenderMode(next);
      std::printf("Render mode: %s\n", RenderModeName(gRenderer.mode));
      return true;
    }
    case '[':
    case ']':
      gRenderer.isoLevel =
          std::clamp(gRenderer.isoLevel + (key == ']' ? kIsoStep : -kIsoStep), 0.0f, 1.0f);
      std::printf("Iso value: %g\n", IsoValue());
      return true;
    default: return false;
  }
}
