// The render mode of an opened volume and the iso-surface's value, with the
// keys that change them: m cycles the modes, [ and ] move the iso value by
// 1% of the intensity window.
#pragma once

#include <optional>

#include "files/volume_window.h"
#include "render/render_mode.h"

// Needs the renderer's GL set-up. A mode this GL cannot draw leaves
// composite on, after the renderer's line saying why. `iso` is in data units;
// without it the surface lies at the window's middle.
void SetUpVolumeMode(RenderMode mode, std::optional<double> iso, const IntensityWindow& window);

// Keys m, [ and ]; false, doing nothing, for other keys or before set-up.
bool VolumeModeKey(unsigned char key);
